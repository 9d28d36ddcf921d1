#pragma once
// The one rule every text file of the program is read by: a line ends at LF, a CR right before
// that LF goes with the line end (any other CR is text), and a last line without an end still
// counts. An empty text has no lines, and a final LF starts none.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Lines of a text held in memory, as views into it.
class LineSplitter {
  public:
    explicit LineSplitter(std::string_view text) : m_text(text) {}

    // The next line without its end; false once the text is used up.
    bool Next(std::string_view& line);
    // The next line that has its LF; false, leaving the rest in place, when none has.
    bool NextWhole(std::string_view& line);
    // What the lines taken so far have left.
    std::string_view Rest() const { return m_text.substr(m_pos); }
    // How far into the text the lines taken so far reach.
    std::size_t Position() const { return m_pos; }

  private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

// Lines of an open file, read a block at a time so a huge file costs no more memory than its
// longest line and one block. Each line is a view that holds until the next call.
class LineReader {
  public:
    // fd stays open and the caller's. Reading stops with EFBIG past maxBytes bytes; sizeHint
    // (the file's size, when known) lets a whole file come in at one read.
    explicit LineReader(int fd, std::size_t maxBytes = SIZE_MAX, std::size_t sizeHint = 0);

    // The next line; false at the end of the file, or on an error (Error() then says which).
    // After an error the lines read whole before it have all been given, a cut one is not.
    bool Next(std::string_view& line);
    // The errno of a failed read, EFBIG past the limit, else 0.
    int Error() const { return m_error; }

  private:
    bool Fill();

    int m_fd;
    std::size_t m_maxBytes;
    std::size_t m_total = 0; // bytes read so far
    std::string m_buffer;
    std::size_t m_end = 0; // bytes of m_buffer that hold data
    LineSplitter m_lines{{}};
    bool m_atEnd = false;
    int m_error = 0;
};

} // namespace platform
