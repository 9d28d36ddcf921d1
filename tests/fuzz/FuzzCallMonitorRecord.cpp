// The call monitor's record reader on arbitrary bytes cut at arbitrary places: whatever the
// cuts, the same records come out, none longer than the limit or holding a line feed, and the
// buffer never grows past one record.
#include "capi/NumberText.h"
#include "line/CallMonitorRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the size of the pieces.
    const std::size_t piece = data[0] % 64 + 1;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);

    line::RecordAssembler whole;
    const std::vector<std::string> expected = whole.Feed(stream);
    line::RecordAssembler cut;
    std::vector<std::string> records;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        for (auto& record : cut.Feed(stream.substr(at, piece)))
            records.push_back(std::move(record));
        if (cut.Pending() > line::kMaxRecordLength + 1)
            std::abort();
    }
    if (records != expected || cut.Pending() != whole.Pending())
        std::abort();
    for (const std::string& text : records) {
        if (text.size() > line::kMaxRecordLength || text.find('\n') != std::string::npos)
            std::abort();
        if (const auto record = line::ParseRecord(text)) {
            if (record->date.size() != 17 || record->conn.empty())
                std::abort();
            const std::string digits = capi::CleanNumber(record->caller);
            for (const char c : digits) {
                const auto u = static_cast<unsigned char>(c);
                if (u < 0x20 || u == 0x7F || c == ';')
                    std::abort();
            }
        }
    }
    return 0;
}
