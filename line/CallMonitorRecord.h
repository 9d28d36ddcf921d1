#pragma once
// The router call monitor's text protocol: one record a line, fields separated by ";" with a
// trailing ";", the first field the router's local time as DD.MM.YY HH:MM:SS.
//
//   DD.MM.YY HH:MM:SS;RING;<conn>;<caller>;<called>;<line>;
//   DD.MM.YY HH:MM:SS;CALL;<conn>;<extension>;<own number>;<dialled>;<line>;
//   DD.MM.YY HH:MM:SS;CONNECT;<conn>;<extension>;<number>;
//   DD.MM.YY HH:MM:SS;DISCONNECT;<conn>;<seconds>;
//
// Everything here is plain bytes in, plain values out: no sockets, no threads.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace line {

// Longest record kept, without its line ending. Routers send well under 200 bytes.
constexpr std::size_t kMaxRecordLength = 4096;

// Cuts a byte stream into records as it arrives, whatever the read boundaries. A record ends
// at a line feed; a carriage return right before it belongs to the line ending. A line longer
// than kMaxRecordLength is dropped whole, up to and including its line feed, and never held
// in memory beyond that length.
class RecordAssembler {
  public:
    // The records completed by these bytes, oldest first (empty lines included).
    std::vector<std::string> Feed(std::string_view bytes);
    // Bytes held for the record not yet complete.
    std::size_t Pending() const { return m_partial.size(); }

  private:
    std::string m_partial;
    bool m_skipping = false; // inside a line already known to be too long
};

enum class RecordKind { Ring, Call, Connect, Disconnect, Other };

struct CallMonitorRecord {
    RecordKind kind = RecordKind::Other;
    std::string date; // DD.MM.YY HH:MM:SS as the router wrote it
    std::string type; // the record type as written ("RING", or an unknown one)
    std::string conn;
    std::string extension; // CALL, CONNECT
    std::string caller;    // RING: the caller (empty when withheld); CALL: the own number
    std::string called;    // RING: the number called; CALL: the number dialled
    std::string number;    // CONNECT: the other party
    std::string line;      // RING, CALL: SIP0, ISDN, POTS, ...
    std::string seconds;   // DISCONNECT: the call's duration
};

// One record (without its line ending). Nothing when the line is not a record: a date not
// shaped DD.MM.YY HH:MM:SS, no type, a connection id that is not a number, or fewer fields
// than its type has. Fields beyond those of a known type are ignored; the trailing ";" may be
// missing. A type not listed above gives kind Other with the date, type and connection id.
std::optional<CallMonitorRecord> ParseRecord(std::string_view text);

} // namespace line
