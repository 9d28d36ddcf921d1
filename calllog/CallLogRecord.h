#pragma once
// Reading isdncall.log back: its lines and the four fields of each record.

#include "platform/FileDescriptor.h"
#include "platform/LineSplitter.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Date, calling number, called number (MSN), name.
using CallLogFields = std::array<std::string, 4>;

// Splits at the first three ";"; the name keeps any further ";". Missing fields stay empty.
CallLogFields SplitCallLogLine(std::string_view line);

// Reads a call log line by line (platform::LineSplitter's rule: a CR right before LF belongs
// to the line end, any other CR is text; a last line without its end still counts). Only a
// regular file is read, and opening it never waits: a FIFO or a device in the log's place is
// a log that can't be read.
class CallLogLineReader {
  public:
    explicit CallLogLineReader(const std::string& path);

    // The next line without its line end; false at end of file, or when the log can't be
    // opened or read.
    bool Next(std::string& line);
    // The log could not be opened, or a read failed.
    bool Failed() const { return m_error != 0; }
    // Why, as an errno; 0 when nothing failed.
    int Error() const { return m_error; }

  private:
    platform::Fd m_file;
    std::optional<platform::LineReader> m_lines;
    int m_error = 0;
};
