#include "phonebook/ContactEntries.h"

#include "phonebook/LookupWords.h"
#include "phonebook/PhoneNumber.h"
#include "platform/Cp1252.h"
#include "platform/TextArgs.h"

#include <QCoreApplication>

#include <algorithm>
#include <optional>
#include <unordered_map>

namespace {

// Line breaks and other control characters would split the phonebook's line or show as
// boxes; they become blanks.
QString CleanName(const QString& name) {
    QString clean = name;
    for (QChar& c : clean)
        if (c.category() == QChar::Other_Control)
            c = u' ';
    return clean.trimmed();
}

// The first character of text that Windows-1252 lacks (a surrogate pair counts as one).
QString MissingCharacter(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (!platform::ToCp1252(character))
            return character;
        i += length - 1;
    }
    return {};
}

} // namespace

ContactEntries ToPhonebookEntries(const std::vector<ContactRecord>& records, int country,
                                  const ImportProgress& progress) {
    ContactEntries result;
    std::unordered_map<std::string, std::size_t> taken; // number -> its entry
    std::size_t checked = 0;
    for (const ContactRecord& record : records) {
        if (progress.Tick(checked++, records.size()))
            break;
        const QString name = CleanName(record.name);
        if (name.isEmpty()) {
            QString place = QString::fromStdString(record.place);
            if (!place.isEmpty())
                place[0] = place[0].toUpper();
            //: An import's report: %1 where the contact stands ("Fiche 3", "Ligne 12").
            result.skipped.push_back(
                platform::FillIn(QCoreApplication::translate("ContactEntries", "%1 : aucun nom"),
                                 {place.toStdString()}));
            continue;
        }
        const std::string label = name.toStdString() + " (" + record.place + ")";
        if (IsLookupWord(name)) {
            //: An import's report: %1 the contact ("Jean Dupont (fiche 3)"), %2 its name.
            result.skipped.push_back(platform::FillIn(
                QCoreApplication::translate(
                    "ContactEntries", "%1 : « %2 » est une réponse de la recherche, pas un nom"),
                {label, name.toStdString()}));
            continue;
        }
        const std::optional<std::string> stored = platform::ToCp1252(name);
        if (!stored) {
            //: An import's report: %1 the contact, %2 a character its name holds.
            result.skipped.push_back(platform::FillIn(
                QCoreApplication::translate("ContactEntries",
                                            "%1 : caractère « %2 » absent de Windows-1252"),
                {label, MissingCharacter(name).toStdString()}));
            continue;
        }
        if (record.numbers.empty()) {
            result.skipped.push_back(platform::FillIn(
                QCoreApplication::translate("ContactEntries", "%1 : aucun numéro utilisable"),
                {label}));
            continue;
        }
        for (const QString& written : record.numbers) {
            const std::optional<std::string> number = NormalisePhoneNumber(written, country);
            if (!number) {
                //: An import's report: %1 the contact, %2 a number as the file writes it.
                result.skipped.push_back(
                    platform::FillIn(QCoreApplication::translate("ContactEntries",
                                                                 "%1 : numéro « %2 » inutilisable"),
                                     {label, written.toStdString()}));
                continue;
            }
            const auto [it, added] = taken.emplace(*number, result.entries.size());
            if (!added) {
                // The same person's number twice (a card and its copy) is no news.
                if (result.entries[it->second].second != *stored)
                    //: An import's report: %1 the contact, %2 its number, %3 the other
                    //: contact of the file that has it.
                    result.skipped.push_back(
                        platform::FillIn(QCoreApplication::translate(
                                             "ContactEntries", "%1 : numéro %2 déjà pris pour %3"),
                                         {label, *number, result.labels[it->second]}));
                continue;
            }
            result.entries.emplace_back(*number, *stored);
            result.labels.push_back(label);
        }
    }
    return result;
}

std::vector<ExportEntry> ExportOrder(const std::vector<PhonebookEntry>& entries) {
    std::vector<ExportEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto& [number, name] : entries)
        sorted.push_back({platform::FromCp1252(name), number});
    std::sort(sorted.begin(), sorted.end(), [](const ExportEntry& a, const ExportEntry& b) {
        if (const int c = a.name.compare(b.name, Qt::CaseInsensitive); c != 0)
            return c < 0;
        if (const int c = a.name.compare(b.name); c != 0)
            return c < 0; // equal names stay side by side, for one card each
        return a.number < b.number;
    });
    return sorted;
}
