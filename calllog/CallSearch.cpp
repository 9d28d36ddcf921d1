#include "calllog/CallSearch.h"

#include "platform/Cp1252.h"

#include <algorithm>
#include <array>
#include <functional>
#include <numeric>

namespace {

// Every Windows-1252 byte folded once; a call's text is then folded byte by byte.
const std::array<std::string, 256>& FoldedBytes() {
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> folded;
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            folded[b] = FoldForSearch(platform::FromCp1252(std::string_view(&byte, 1)));
        }
        return folded;
    }();
    return table;
}

void AppendFolded(std::string& out, std::string_view cp1252) {
    const std::array<std::string, 256>& folded = FoldedBytes();
    for (char c : cp1252) {
        // Printable ASCII, most of any log, only changes case.
        if (c >= 0x20 && c < 0x7F)
            out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        else
            out += folded[static_cast<unsigned char>(c)];
    }
}

// The digits of text written like a number, or nothing when it holds anything else.
QString NumberDigits(const QString& text) {
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digits += c;
        else if (!QStringView(u" .-/()+").contains(c))
            return {};
    }
    return digits;
}

} // namespace

std::string FoldForSearch(const QString& text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString kept;
    kept.reserve(decomposed.size());
    for (QChar c : decomposed) {
        switch (c.category()) {
        case QChar::Mark_NonSpacing: // the accents, apart from their letters now
            break;
        case QChar::Other_Control:
            kept += u' ';
            break;
        default:
            kept += c;
        }
    }
    return kept.toCaseFolded().toStdString();
}

void CallSearch::Add(std::string_view number, std::string_view name) {
    m_starts.push_back(m_text.size());
    AppendFolded(m_text, number);
    m_text += '\x01';
    AppendFolded(m_text, name);
    m_text += '\0';
}

std::vector<int> CallSearch::Matching(const QString& typed) const {
    const QString trimmed = typed.trimmed();
    const QString digits = NumberDigits(trimmed);
    const std::string needle = FoldForSearch(digits.isEmpty() ? trimmed : digits);
    std::vector<int> calls;
    if (needle.empty()) {
        calls.resize(m_starts.size());
        std::iota(calls.begin(), calls.end(), 0);
        return calls;
    }
    const std::boyer_moore_horspool_searcher searcher(needle.begin(), needle.end());
    auto from = m_text.begin();
    for (;;) {
        const auto found = std::search(from, m_text.end(), searcher);
        if (found == m_text.end())
            break;
        const std::size_t at = static_cast<std::size_t>(found - m_text.begin());
        const auto next = std::upper_bound(m_starts.begin(), m_starts.end(), at);
        calls.push_back(static_cast<int>(next - m_starts.begin()) - 1);
        // One hit is enough: go on with the next call.
        from = next == m_starts.end() ? m_text.end() : m_text.begin() + *next;
    }
    return calls;
}
