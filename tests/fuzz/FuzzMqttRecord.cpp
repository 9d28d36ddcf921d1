// The broker's payload reader on arbitrary bytes: a record it takes has its two numbers,
// no control character in any field, fits the size limit, and goes out and comes back the
// same; the call made of it has cleaned numbers and comes from the broker.
#include "line/MqttRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool HasControl(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    const auto record = line::ReadCallRecord(payload);
    if (!record)
        return 0;
    if (size > line::kMaxCallRecordBytes)
        std::abort();
    for (const std::string* field :
         {&record->id, &record->origin, &record->time, &record->calling, &record->called,
          &record->name, &record->line, &record->calledLabel}) {
        if (HasControl(*field))
            std::abort();
    }
    const auto again = line::ReadCallRecord(line::CallRecordJson(*record));
    if (!again || again->calling != record->calling || again->called != record->called ||
        again->name != record->name || again->id != record->id ||
        again->calledLabel != record->calledLabel)
        std::abort();
    if (const auto call = line::CallOfRecord(*record)) {
        if (call->source != line::Source::Mqtt || call->calling.find(';') != std::string::npos ||
            HasControl(call->calling) || HasControl(call->called))
            std::abort();
    }
    return 0;
}
