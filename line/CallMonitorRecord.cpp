#include "line/CallMonitorRecord.h"

#include <algorithm>
#include <array>

namespace line {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsNumber(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

// DD.MM.YY HH:MM:SS; the values are the router's business, only the shape is checked.
bool IsDate(std::string_view text) {
    constexpr std::string_view shape = "dd.dd.dd dd:dd:dd";
    if (text.size() != shape.size())
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i) {
        if (shape[i] == 'd' ? !IsDigit(text[i]) : text[i] != shape[i])
            return false;
    }
    return true;
}

std::vector<std::string_view> SplitFields(std::string_view text) {
    if (!text.empty() && text.back() == ';')
        text.remove_suffix(1);
    std::vector<std::string_view> fields;
    for (;;) {
        const auto semicolon = text.find(';');
        fields.push_back(text.substr(0, semicolon));
        if (semicolon == std::string_view::npos)
            return fields;
        text.remove_prefix(semicolon + 1);
    }
}

struct KindInfo {
    std::string_view type;
    RecordKind kind;
    std::size_t fields; // including the date
};

constexpr std::array<KindInfo, 4> kKinds{{
    {"RING", RecordKind::Ring, 6},
    {"CALL", RecordKind::Call, 7},
    {"CONNECT", RecordKind::Connect, 5},
    {"DISCONNECT", RecordKind::Disconnect, 4},
}};

} // namespace

std::vector<std::string> RecordAssembler::Feed(std::string_view bytes) {
    std::vector<std::string> records;
    while (!bytes.empty()) {
        const auto lf = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, lf);
        // One byte more than the limit may be the carriage return of the line ending.
        if (!m_skipping && m_partial.size() + piece.size() > kMaxRecordLength + 1) {
            m_skipping = true;
            m_partial.clear();
        }
        if (!m_skipping)
            m_partial.append(piece);
        if (lf == std::string_view::npos)
            break;
        if (!m_skipping && !m_partial.empty() && m_partial.back() == '\r')
            m_partial.pop_back();
        if (!m_skipping && m_partial.size() <= kMaxRecordLength)
            records.push_back(m_partial);
        m_partial.clear();
        m_skipping = false;
        bytes.remove_prefix(lf + 1);
    }
    return records;
}

std::optional<CallMonitorRecord> ParseRecord(std::string_view text) {
    const auto fields = SplitFields(text);
    if (fields.size() < 3 || !IsDate(fields[0]) || fields[1].empty() || !IsNumber(fields[2]))
        return std::nullopt;
    CallMonitorRecord record;
    record.date = fields[0];
    record.type = fields[1];
    record.conn = fields[2];
    const auto info = std::find_if(kKinds.begin(), kKinds.end(),
                                   [&](const KindInfo& k) { return k.type == fields[1]; });
    if (info == kKinds.end())
        return record;
    if (fields.size() < info->fields)
        return std::nullopt;
    record.kind = info->kind;
    switch (record.kind) {
    case RecordKind::Ring:
        record.caller = fields[3];
        record.called = fields[4];
        record.line = fields[5];
        break;
    case RecordKind::Call:
        record.extension = fields[3];
        record.caller = fields[4];
        record.called = fields[5];
        record.line = fields[6];
        break;
    case RecordKind::Connect:
        record.extension = fields[3];
        record.number = fields[4];
        break;
    case RecordKind::Disconnect:
        record.seconds = fields[3];
        break;
    case RecordKind::Other:
        break;
    }
    return record;
}

} // namespace line
