#pragma once
// A call as the copies share it through the broker: one JSON object in UTF-8 on
// "<prefix>/call",
//
//   {"id": "...", "origin": "<client id>", "time": "<ISO 8601 with offset>", "calling": "...",
//    "called": "...", "name": "...", "line": "capi" | "callmonitor", "event_type": "ring"}
//
// "name" only when the publisher's phonebook knows the caller, and "called_label" after the
// rest when the called number has a label. Everything here is bytes in, values out: no
// sockets, no threads.

#include "line/IncomingCall.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace line {

// A payload longer than this is no call record.
constexpr std::size_t kMaxCallRecordBytes = 4096;

// UTF-8 texts.
struct CallRecord {
    std::string id;
    std::string origin;
    std::string time;
    std::string calling; // empty when withheld
    std::string called;
    std::string name;        // left out when empty
    std::string line;        // "capi", "callmonitor"
    std::string calledLabel; // "called_label", left out when empty
};

std::string CallRecordJson(const CallRecord& record);

// Nothing when the payload is no call record: longer than kMaxCallRecordBytes, not a JSON
// object in UTF-8, without a string "calling" or "called", with a known field that is not a
// string, a field holding a control character, or an "event_type" other than "ring". Fields
// it does not know are passed over.
std::optional<CallRecord> ReadCallRecord(std::string_view payload);

// The record of a call heard on this copy's own lines: a new id, the time now with its offset,
// the numbers and the phonebook's name (Windows-1252) in UTF-8.
CallRecord RecordOfCall(const IncomingCall& call, const std::string& origin,
                        const std::string& phonebookName, const std::string& calledLabel);
// A call from a record (source Mqtt), its texts in Windows-1252 and its numbers cleaned like
// those of the other lines; nothing when a number has no Windows-1252 form.
std::optional<IncomingCall> CallOfRecord(const CallRecord& record);

// Where the copies meet: "<prefix>/call" for the calls, "<prefix>/status/<client id>" for
// each copy's presence ("online", "offline"), and Home Assistant's discovery topic.
std::string CallTopic(const std::string& prefix);
std::string StatusTopic(const std::string& prefix, const std::string& clientId);
std::string DiscoveryTopic(const std::string& clientId);
// The retained discovery config: an event entity reading CallTopic (event type "ring"),
// available while the copy's status is "online", on a device of its own.
std::string DiscoveryConfigJson(const std::string& prefix, const std::string& clientId);

} // namespace line
