#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <span>

namespace app {

namespace {

struct OptionText {
    QStringList names;
    const char* valueName; // empty for a switch
    const char* description;
};

// The program's own options, in the order --help lists them.
const OptionText kOwnOptions[] = {
    {{QStringLiteral("h"), QStringLiteral("help")},
     "",
     QT_TRANSLATE_NOOP("CommandLine", "Affiche cette aide et quitte.")},
    {{QStringLiteral("v"), QStringLiteral("version")},
     "",
     QT_TRANSLATE_NOOP("CommandLine", "Affiche la version et quitte.")},
    {{QStringLiteral("import")},
     QT_TRANSLATE_NOOP("CommandLine", "fichier"),
     QT_TRANSLATE_NOOP("CommandLine",
                       "Importe dans l'annuaire les contacts d'un fichier vCard ou CSV, puis "
                       "quitte.")},
    {{QStringLiteral("overwrite")},
     "",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Avec --import : remplace le nom des numéros déjà dans l'annuaire.")},
    {{QStringLiteral("export")},
     QT_TRANSLATE_NOOP("CommandLine", "fichier"),
     QT_TRANSLATE_NOOP("CommandLine",
                       "Exporte l'annuaire en vCard (.vcf) ou en CSV (.csv), puis quitte.")},
    {{QStringLiteral("export-history")},
     QT_TRANSLATE_NOOP("CommandLine", "fichier"),
     QT_TRANSLATE_NOOP("CommandLine", "Exporte la liste des appels en CSV, puis quitte.")},
    {{QStringLiteral("history")},
     "",
     QT_TRANSLATE_NOOP("CommandLine", "Ouvre la liste des appels dans Tintorel déjà lancé.")},
    {{QStringLiteral("phonebook")},
     "",
     QT_TRANSLATE_NOOP("CommandLine", "Ouvre l'annuaire dans Tintorel déjà lancé.")},
    {{QStringLiteral("lines")},
     "",
     QT_TRANSLATE_NOOP("CommandLine", "Ouvre la fenêtre des lignes dans Tintorel déjà lancé.")},
    {{QStringLiteral("about")},
     "",
     QT_TRANSLATE_NOOP("CommandLine",
                       "Ouvre « à propos » et les options dans Tintorel déjà lancé.")},
    {{QStringLiteral("quit")}, "", QT_TRANSLATE_NOOP("CommandLine", "Quitte Tintorel déjà lancé.")},
};

QString Tr(const char* text) {
    return *text ? QCoreApplication::translate("CommandLine", text) : QString();
}

// The options that ask the running copy for something: the request's word is the option's name.
const char* const kRequests[] = {"history", "phonebook", "lines", "about", "quit"};

// Options the application object takes out of the command line itself.
const char* const kQtOptionsWithValue[] = {
    "platform",
    "platformpluginpath",
    "platformtheme",
    "plugin",
    "qwindowgeometry",
    "geometry",
    "qwindowtitle",
    "title",
    "qwindowicon",
    "icon",
    "session",
    "display",
    "name",
    "visual",
    "style",
    "stylesheet",
};
const char* const kQtSwitches[] = {"reverse", "nograb", "dograb", "widgetcount"};

void Print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
}

QString Spelling(const QString& name) {
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString HelpText(const QString& program, std::span<const OptionText> options) {
    QStringList left;
    qsizetype width = 0;
    for (const OptionText& option : options) {
        QStringList spelled;
        for (const QString& name : option.names)
            spelled << Spelling(name);
        QString text = spelled.join(QStringLiteral(", "));
        if (*option.valueName)
            text += QStringLiteral(" <%1>").arg(Tr(option.valueName));
        width = std::max(width, text.size());
        left << text;
    }
    //: --help; %1 is the program's name. Lines of at most 80 characters.
    QString help = QCoreApplication::translate(
                       "CommandLine",
                       "Utilisation : %1 [option]\n\n"
                       "Tintorel annonce les appels entrants d'une ligne RNIS : il attend dans la "
                       "zone de\n"
                       "notification et montre dans un coin de l'écran le numéro et le nom de qui "
                       "appelle.\n\n"
                       "Options :\n")
                       .arg(program);
    for (std::size_t i = 0; i < options.size(); ++i)
        help += QStringLiteral("  %1  %2\n")
                    .arg(left[static_cast<qsizetype>(i)], -static_cast<int>(width))
                    .arg(Tr(options[i].description));
    //: The end of --help; %1 is the program's name (and its manual page's).
    help += QCoreApplication::translate("CommandLine",
                                        "\nSans option, Tintorel démarre. Pour en savoir plus : "
                                        "man %1\n")
                .arg(program);
    return help;
}

// The argument as the user typed it that names this option.
QString Typed(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments.mid(1)) {
        const QString bare = argument.section(QLatin1Char('='), 0, 0);
        if (bare == QLatin1Char('-') + name || bare == QStringLiteral("--") + name)
            return argument;
    }
    return Spelling(name);
}

} // namespace

CommandLine ParseCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString program =
        argc > 0 ? QFileInfo(arguments[0]).fileName() : QStringLiteral("tintorel");

    const std::span<const OptionText> own(kOwnOptions);
    QCommandLineParser parser;
    // Qt's options are single-dash words (-style): read every dash as a long option.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const OptionText& option : own)
        parser.addOption(
            QCommandLineOption(option.names, Tr(option.description), Tr(option.valueName)));
    for (const char* name : kQtOptionsWithValue)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")));
    for (const char* name : kQtSwitches)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    CommandLine result;
    const auto fail = [&](const QString& what) {
        //: %1 is the program's name, %2 what is wrong with the command line.
        Print(stderr, QCoreApplication::translate(
                          "CommandLine", "%1 : %2\nPour la liste des options : %1 --help\n")
                          .arg(program, what));
        result.exitStatus = 2;
        return result;
    };
    if (!parser.parse(arguments)) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
            return fail(QCoreApplication::translate("CommandLine", "option inconnue « %1 ».")
                            .arg(Typed(arguments, unknown.first())));
        // The only other fault: an option that takes a value is the last word.
        return fail(QCoreApplication::translate("CommandLine", "il manque une valeur après « %1 ».")
                        .arg(arguments.last()));
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return fail(QCoreApplication::translate("CommandLine", "argument inattendu « %1 ».")
                        .arg(extra.first()));

    const struct {
        const char* name;
        CommandLine::Command command;
    } commands[] = {{"import", CommandLine::Command::Import},
                    {"export", CommandLine::Command::Export},
                    {"export-history", CommandLine::Command::ExportHistory}};
    QString given; // the command's option as typed
    for (const auto& [name, command] : commands) {
        if (!parser.isSet(QString::fromLatin1(name)))
            continue;
        if (result.command != CommandLine::Command::Run)
            return fail(QCoreApplication::translate(
                "CommandLine", "une seule de --import, --export et --export-history à la fois."));
        result.command = command;
        result.file = parser.value(QString::fromLatin1(name)).toLocal8Bit().toStdString();
        given = Typed(arguments, QString::fromLatin1(name));
    }
    // A request goes with no other command, nor with another request.
    for (const char* name : kRequests) {
        if (!parser.isSet(QString::fromLatin1(name)))
            continue;
        const QString typed = Typed(arguments, QString::fromLatin1(name));
        if (!given.isEmpty())
            //: Two options as typed, e.g. "--import et --quit ne vont pas ensemble."
            return fail(QCoreApplication::translate("CommandLine", "%1 et %2 ne vont pas ensemble.")
                            .arg(given, typed));
        given = typed;
        result.command = CommandLine::Command::Request;
        result.request = name;
    }
    result.overwrite = parser.isSet(QStringLiteral("overwrite"));
    if (result.overwrite && result.command != CommandLine::Command::Import)
        return fail(
            QCoreApplication::translate("CommandLine", "--overwrite ne va qu'avec --import."));

    if (parser.isSet(QStringLiteral("help"))) {
        Print(stdout, HelpText(program, own));
        result.exitStatus = 0;
    } else if (parser.isSet(QStringLiteral("version"))) {
        Print(stdout,
              QStringLiteral("Tintorel version %1\n").arg(QStringLiteral(TINTOREL_VERSION)));
        result.exitStatus = 0;
    }
    result.platformGiven = parser.isSet(QStringLiteral("platform"));
    return result;
}

} // namespace app
