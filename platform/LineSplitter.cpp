#include "platform/LineSplitter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace platform {

bool LineSplitter::NextWhole(std::string_view& line) {
    if (m_pos >= m_text.size())
        return false; // an empty view may have no data at all, which memchr must not see
    const char* begin = m_text.data() + m_pos;
    const auto* lf = static_cast<const char*>(std::memchr(begin, '\n', m_text.size() - m_pos));
    if (!lf)
        return false;
    line = std::string_view(begin, static_cast<std::size_t>(lf - begin));
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    m_pos = static_cast<std::size_t>(lf - m_text.data()) + 1;
    return true;
}

bool LineSplitter::Next(std::string_view& line) {
    if (m_pos >= m_text.size())
        return false;
    if (NextWhole(line))
        return true;
    line = m_text.substr(m_pos);
    m_pos = m_text.size();
    return true;
}

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 16;
// A bigger first read saves reads for files that fit; more than this is not worth holding.
constexpr std::size_t kLargestFirstRead = std::size_t{8} << 20;

} // namespace

LineReader::LineReader(int fd, std::size_t maxBytes, std::size_t sizeHint)
    : m_fd(fd), m_maxBytes(maxBytes) {
    // One more than the size, so the end of the file shows at the first read.
    const std::size_t wanted = sizeHint < kLargestFirstRead ? sizeHint + 1 : kLargestFirstRead;
    m_buffer.resize(std::max(kBlock, wanted));
}

bool LineReader::Fill() {
    // The line begun so far moves to the front; a line longer than the buffer doubles it.
    const std::string_view rest = m_lines.Rest();
    const std::size_t kept = rest.size();
    if (kept > 0 && rest.data() != m_buffer.data())
        std::memmove(m_buffer.data(), rest.data(), kept);
    if (kept == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);
    m_end = kept;
    for (;;) {
        const ssize_t n = read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            m_error = errno;
            return false;
        }
        if (n == 0) {
            m_atEnd = true;
        } else {
            m_total += static_cast<std::size_t>(n);
            m_end += static_cast<std::size_t>(n);
            if (m_total > m_maxBytes) {
                m_error = EFBIG;
                return false;
            }
        }
        break;
    }
    m_lines = LineSplitter(std::string_view(m_buffer.data(), m_end));
    return true;
}

bool LineReader::Next(std::string_view& line) {
    if (m_error != 0)
        return false;
    for (;;) {
        if (m_lines.NextWhole(line))
            return true;
        if (m_atEnd)
            return m_lines.Next(line); // the last line, without its end
        if (!Fill())
            return false;
    }
}

} // namespace platform
