#include "phonebook/ContactEntries.h"

#include "phonebook/LookupWords.h"
#include "phonebook/PhoneNumber.h"
#include "platform/Cp1252.h"

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

std::string Quoted(const QString& text) {
    return "« " + text.toStdString() + " »";
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
            std::string place = record.place;
            if (!place.empty())
                place[0] = static_cast<char>(place[0] - 'a' + 'A');
            result.skipped.push_back(place + " : aucun nom");
            continue;
        }
        const std::string label = name.toStdString() + " (" + record.place + ")";
        if (IsLookupWord(name)) {
            result.skipped.push_back(label + " : " + Quoted(name) +
                                     " est une réponse de la recherche, pas un nom");
            continue;
        }
        const std::optional<std::string> stored = platform::ToCp1252(name);
        if (!stored) {
            result.skipped.push_back(label + " : caractère " + Quoted(MissingCharacter(name)) +
                                     " absent de Windows-1252");
            continue;
        }
        if (record.numbers.empty()) {
            result.skipped.push_back(label + " : aucun numéro utilisable");
            continue;
        }
        for (const QString& written : record.numbers) {
            const std::optional<std::string> number = NormalisePhoneNumber(written, country);
            if (!number) {
                result.skipped.push_back(label + " : numéro " + Quoted(written) + " inutilisable");
                continue;
            }
            const auto [it, added] = taken.emplace(*number, result.entries.size());
            if (!added) {
                // The same person's number twice (a card and its copy) is no news.
                if (result.entries[it->second].second != *stored)
                    result.skipped.push_back(label + " : numéro " + *number + " déjà pris pour " +
                                             result.labels[it->second]);
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
