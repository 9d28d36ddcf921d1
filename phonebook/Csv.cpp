#include "phonebook/Csv.h"

#include "phonebook/ImportText.h"
#include "platform/TextArgs.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace {

// A line of nothing but separators would otherwise cost far more memory than its bytes.
constexpr std::size_t kMaxFields = 4096;

// Past the apostrophes a guard may already have put there.
bool StartsLikeFormula(std::string_view text) {
    const std::size_t start = text.find_first_not_of('\'');
    return start != std::string_view::npos &&
           std::string_view("=+-@\t\r").find(text[start]) != std::string_view::npos;
}

} // namespace

char GuessCsvSeparator(std::string_view text) {
    constexpr std::array<char, 3> kCandidates = {',', ';', '\t'};
    std::array<std::size_t, 3> counts{};
    bool quoted = false;
    text.remove_prefix(std::min(text.size(), text.find_first_not_of("\r\n")));
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted)
            for (std::size_t i = 0; i < kCandidates.size(); ++i)
                counts[i] += c == kCandidates[i];
    }
    const auto most = std::max_element(counts.begin(), counts.end());
    return kCandidates[static_cast<std::size_t>(most - counts.begin())];
}

bool CsvReader::Fail(std::string why) {
    m_error = std::move(why);
    return false;
}

bool CsvReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    if (!m_error.empty() || m_pos >= m_text.size())
        return false;
    m_recordLine = m_line;
    const std::size_t start = m_pos;
    const char stops[] = {m_separator, '\r', '\n'};
    const auto tooLong = [this] {
        //: Why a file can't be imported: %1 a line number, %2 a size in megabytes.
        return Fail(platform::FillIn(
            QCoreApplication::translate("Csv", "la ligne %1 dépasse %2 Mo"),
            {std::to_string(m_recordLine), std::to_string(kMaxImportLineBytes >> 20)}));
    };
    for (;;) {
        std::string field;
        if (m_pos < m_text.size() && m_text[m_pos] == '"') {
            const std::size_t fieldLine = m_line;
            ++m_pos;
            for (;;) {
                const std::size_t quote = m_text.find('"', m_pos);
                if (quote == std::string_view::npos)
                    return Fail(platform::FillIn(
                        QCoreApplication::translate(
                            "Csv", "guillemet ouvert à la ligne %1 et jamais refermé"),
                        {std::to_string(fieldLine)}));
                if (quote - start > kMaxImportLineBytes)
                    return tooLong();
                const std::string_view part = m_text.substr(m_pos, quote - m_pos);
                m_line += static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
                field.append(part);
                m_pos = quote + 1;
                if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                    field += '"';
                    ++m_pos;
                    continue;
                }
                break;
            }
            while (m_pos < m_text.size() && m_text[m_pos] != m_separator &&
                   (m_text[m_pos] == ' ' || m_text[m_pos] == '\t'))
                ++m_pos;
            if (m_pos < m_text.size() && m_text[m_pos] != m_separator && m_text[m_pos] != '\r' &&
                m_text[m_pos] != '\n')
                return Fail(
                    platform::FillIn(QCoreApplication::translate(
                                         "Csv", "texte après un guillemet fermant à la ligne %1"),
                                     {std::to_string(m_line)}));
        } else {
            std::size_t end = m_text.find_first_of(std::string_view(stops, 3), m_pos);
            if (end == std::string_view::npos)
                end = m_text.size();
            if (end - start > kMaxImportLineBytes)
                return tooLong();
            field.append(m_text.substr(m_pos, end - m_pos));
            m_pos = end;
        }
        fields.push_back(std::move(field));
        if (fields.size() > kMaxFields)
            return Fail(platform::FillIn(
                QCoreApplication::translate("Csv", "plus de %1 colonnes à la ligne %2"),
                {std::to_string(kMaxFields), std::to_string(m_recordLine)}));
        if (m_pos >= m_text.size())
            return true;
        const char c = m_text[m_pos++];
        if (c == m_separator)
            continue;
        if (c == '\r' && m_pos < m_text.size() && m_text[m_pos] == '\n')
            ++m_pos;
        ++m_line;
        return true;
    }
}

void AppendCsvField(std::string& out, std::string_view text, char separator) {
    std::string guarded;
    if (StartsLikeFormula(text)) {
        guarded.reserve(text.size() + 1);
        guarded += '\'';
        guarded += text;
        text = guarded;
    }
    if (text.find_first_of(std::string_view("\"\r\n")) == std::string_view::npos &&
        text.find(separator) == std::string_view::npos) {
        out.append(text);
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

std::string_view WithoutFormulaGuard(std::string_view field) {
    if (field.starts_with('\'') && StartsLikeFormula(field))
        field.remove_prefix(1);
    return field;
}
