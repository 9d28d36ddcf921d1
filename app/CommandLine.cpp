#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <span>

namespace app {

namespace {

struct OptionText {
    QStringList names;
    QString valueName; // empty for a switch
    QString description;
};

// The program's own options, in the order --help lists them.
const OptionText kOwnOptions[] = {
    {{QStringLiteral("h"), QStringLiteral("help")},
     {},
     QStringLiteral("Affiche cette aide et quitte.")},
    {{QStringLiteral("v"), QStringLiteral("version")},
     {},
     QStringLiteral("Affiche la version et quitte.")},
    {{QStringLiteral("import")},
     QStringLiteral("fichier"),
     QString::fromUtf8("Importe dans l'annuaire les contacts d'un fichier vCard ou CSV, puis "
                       "quitte.")},
    {{QStringLiteral("overwrite")},
     {},
     QString::fromUtf8("Avec --import : remplace le nom des numéros déjà dans l'annuaire.")},
    {{QStringLiteral("export")},
     QStringLiteral("fichier"),
     QString::fromUtf8("Exporte l'annuaire en vCard (.vcf) ou en CSV (.csv), puis quitte.")},
    {{QStringLiteral("export-history")},
     QStringLiteral("fichier"),
     QString::fromUtf8("Exporte la liste des appels en CSV, puis quitte.")},
    {{QStringLiteral("history")},
     {},
     QString::fromUtf8("Ouvre la liste des appels dans Tintorel déjà lancé.")},
    {{QStringLiteral("phonebook")},
     {},
     QString::fromUtf8("Ouvre l'annuaire dans Tintorel déjà lancé.")},
    {{QStringLiteral("lines")},
     {},
     QString::fromUtf8("Ouvre la fenêtre des lignes dans Tintorel déjà lancé.")},
    {{QStringLiteral("about")},
     {},
     QString::fromUtf8("Ouvre « à propos » et les options dans Tintorel déjà lancé.")},
    {{QStringLiteral("quit")}, {}, QString::fromUtf8("Quitte Tintorel déjà lancé.")},
};

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
        if (!option.valueName.isEmpty())
            text += QStringLiteral(" <%1>").arg(option.valueName);
        width = std::max(width, text.size());
        left << text;
    }
    QString help =
        QString::fromUtf8(
            "Utilisation : %1 [option]\n\n"
            "Tintorel annonce les appels entrants d'une ligne RNIS : il attend dans la zone de\n"
            "notification et montre dans un coin de l'écran le numéro et le nom de qui appelle.\n\n"
            "Options :\n")
            .arg(program);
    for (std::size_t i = 0; i < options.size(); ++i)
        help += QStringLiteral("  %1  %2\n")
                    .arg(left[static_cast<qsizetype>(i)], -static_cast<int>(width))
                    .arg(options[i].description);
    help += QString::fromUtf8("\nSans option, Tintorel démarre. Pour en savoir plus : man %1\n")
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
        parser.addOption(QCommandLineOption(option.names, option.description, option.valueName));
    for (const char* name : kQtOptionsWithValue)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), {}, QStringLiteral("x")));
    for (const char* name : kQtSwitches)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));

    CommandLine result;
    const auto fail = [&](const QString& what) {
        Print(stderr, QString::fromUtf8("%1 : %2\nPour la liste des options : %1 --help\n")
                          .arg(program, what));
        result.exitStatus = 2;
        return result;
    };
    if (!parser.parse(arguments)) {
        if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
            return fail(QString::fromUtf8("option inconnue « %1 ».")
                            .arg(Typed(arguments, unknown.first())));
        // The only other fault: an option that takes a value is the last word.
        return fail(QString::fromUtf8("il manque une valeur après « %1 ».").arg(arguments.last()));
    }
    if (const QStringList extra = parser.positionalArguments(); !extra.isEmpty())
        return fail(QString::fromUtf8("argument inattendu « %1 ».").arg(extra.first()));

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
            return fail(QString::fromUtf8("une seule de --import, --export et --export-history "
                                          "à la fois."));
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
            return fail(QString::fromUtf8("%1 et %2 ne vont pas ensemble.").arg(given, typed));
        given = typed;
        result.command = CommandLine::Command::Request;
        result.request = name;
    }
    result.overwrite = parser.isSet(QStringLiteral("overwrite"));
    if (result.overwrite && result.command != CommandLine::Command::Import)
        return fail(QString::fromUtf8("--overwrite ne va qu'avec --import."));

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
