#pragma once
// Reading isdncall.log back: its lines and the four fields of each record.

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

// Date, calling number, called number (MSN), name.
using CallLogFields = std::array<std::string, 4>;

// Splits at the first three ";"; the name keeps any further ";". Missing fields stay empty.
CallLogFields SplitCallLogLine(std::string_view line);

// Reads a stream line by line as a C text-mode stream does: a line ends at LF, a CR right
// before that LF belongs to the line end, any other CR is kept as text. A last line without
// its line end still counts; an empty file has no lines.
class CallLogLineReader {
  public:
    explicit CallLogLineReader(std::FILE* file) : m_file(file) {}

    // The next line without its line end; false at end of file or on a read error.
    bool Next(std::string& line);
    bool Failed() const { return m_failed; }

  private:
    bool Fill();

    std::FILE* m_file;
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_eof = false;
    bool m_failed = false;
};
