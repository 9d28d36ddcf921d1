#include "phonebook/ContactsCsv.h"

#include "phonebook/Csv.h"
#include "phonebook/ImportText.h"
#include "platform/Cp1252.h"
#include "platform/TextArgs.h"

#include <QStringList>
#include <QCoreApplication>

#include <algorithm>
#include <optional>
#include <span>
#include <string_view>

namespace {

// "Numéro de  Téléphone" and "numero_de_telephone" both become "numero de telephone".
QString HeaderKey(const std::string& cell) {
    const QString decomposed =
        DecodeImportText(cell).normalized(QString::NormalizationForm_D).toCaseFolded();
    QString key;
    key.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (c.isMark())
            continue;
        key += (c == u'_' || c == u'-' || c == u'.') ? QChar(u' ') : c;
    }
    return key.simplified();
}

bool OneOf(const QString& key, std::span<const std::u16string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::u16string_view name) { return key == QStringView(name); });
}

// clang-format off
constexpr std::u16string_view kFullName[] = {u"fn", u"name", u"full name", u"display name",
    u"nom complet", u"nom affiche", u"nom et prenom", u"contact"};
constexpr std::u16string_view kGivenName[] = {u"prenom", u"first name", u"given name"};
constexpr std::u16string_view kFamilyName[] = {u"nom de famille", u"last name", u"family name",
    u"surname"};
constexpr std::u16string_view kNumber[] = {u"numero", u"number", u"telephone", u"phone", u"tel",
    u"mobile", u"portable", u"natel", u"cell", u"phone number", u"numero de telephone",
    u"telephone mobile", u"telephone portable", u"telephone fixe", u"telephone domicile",
    u"telephone bureau", u"mobile phone", u"home phone", u"business phone"};
// clang-format on

struct Columns {
    std::vector<std::size_t> name; // joined with a blank: one full name, or given and family
    std::vector<std::size_t> numbers;
};

Columns FindColumns(const std::vector<std::string>& header) {
    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t full = kNone, given = kNone, family = kNone, nom = kNone;
    Columns columns;
    for (std::size_t i = 0; i < header.size(); ++i) {
        const QString key = HeaderKey(header[i]);
        if (OneOf(key, kNumber))
            columns.numbers.push_back(i);
        else if (full == kNone && OneOf(key, kFullName))
            full = i;
        else if (given == kNone && OneOf(key, kGivenName))
            given = i;
        else if (family == kNone && OneOf(key, kFamilyName))
            family = i;
        else if (nom == kNone && key == u"nom")
            nom = i;
    }
    // "Nom" is the whole name, unless a "Prénom" column beside it makes it the family name.
    if (full != kNone) {
        columns.name = {full};
    } else {
        if (family == kNone && given != kNone)
            family = nom;
        else if (family == kNone && given == kNone)
            given = nom;
        for (std::size_t column : {given, family})
            if (column != kNone)
                columns.name.push_back(column);
    }
    return columns;
}

// A cell's text, without the apostrophe that kept a spreadsheet from running it.
QString Cell(const std::vector<std::string>& fields, std::size_t column) {
    return column < fields.size() ? DecodeImportText(WithoutFormulaGuard(fields[column])).trimmed()
                                  : QString();
}

} // namespace

ContactFile ReadContactsCsv(std::string_view text, const ImportProgress& progress) {
    ContactFile file;
    CsvReader reader(text, GuessCsvSeparator(text));
    std::vector<std::string> fields;
    std::optional<Columns> columns;
    std::size_t items = 0; // records and numbers kept so far
    while (reader.Next(fields)) {
        if (progress.Tick(reader.Position(), text.size())) {
            file.error = ImportStopped();
            file.records.clear();
            return file;
        }
        if (!columns) {
            if (fields.size() == 1 && fields[0].empty())
                continue; // blank lines before the header
            columns = FindColumns(fields);
            if (columns->name.empty() || columns->numbers.empty()) {
                //: "Nom,Numéro" is the heading line the program writes and reads in every
                //: language.
                file.error = QCoreApplication::translate(
                                 "ContactsCsv",
                                 "la première ligne doit nommer la colonne du nom et celle du "
                                 "numéro (par exemple « Nom,Numéro »)")
                                 .toStdString();
                return file;
            }
            continue;
        }
        ContactRecord record;
        QStringList name;
        for (std::size_t column : columns->name)
            if (QString part = Cell(fields, column); !part.isEmpty())
                name << part;
        record.name = name.join(u' ');
        for (std::size_t column : columns->numbers)
            if (QString number = Cell(fields, column); !number.isEmpty())
                record.numbers.push_back(std::move(number));
        if (record.name.isEmpty() && record.numbers.empty())
            continue; // a blank line, or one that fills only other columns
        //: Where a contact stands in a CSV file: its line's number.
        record.place = platform::FillIn(QCoreApplication::translate("ContactsCsv", "ligne %1"),
                                        {std::to_string(reader.Line())});
        items += 1 + record.numbers.size();
        file.records.push_back(std::move(record));
        if (items > kMaxImportItems) {
            file.error = TooManyItems();
            file.records.clear();
            return file;
        }
    }
    if (!reader.Error().empty()) {
        file.error = reader.Error();
        file.records.clear();
    } else if (!columns) {
        file.error =
            QCoreApplication::translate("ContactsCsv", "le fichier est vide").toStdString();
    }
    return file;
}

std::string WriteContactsCsv(const std::vector<ExportEntry>& entries) {
    std::string out = "\xEF\xBB\xBFNom,Numéro\r\n";
    for (const ExportEntry& entry : entries) {
        AppendCsvField(out, entry.name.toStdString(), ',');
        out += ',';
        AppendCsvField(out, platform::FromCp1252(entry.number).toStdString(), ',');
        out += "\r\n";
    }
    return out;
}
