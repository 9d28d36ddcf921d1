#include "calllog/CallLogRecord.h"

CallLogFields SplitCallLogLine(std::string_view line) {
    CallLogFields fields;
    std::size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        std::size_t sep = line.find(';', start);
        if (sep == std::string_view::npos) {
            fields[i] = line.substr(start);
            return fields;
        }
        fields[i] = line.substr(start, sep - start);
        start = sep + 1;
    }
    fields[3] = line.substr(start);
    return fields;
}

bool CallLogLineReader::Fill() {
    if (m_eof || m_failed)
        return false;
    // Keep the unread tail, then append the next block behind it.
    m_buffer.erase(0, m_pos);
    m_pos = 0;
    constexpr std::size_t kBlock = 1 << 16;
    std::size_t have = m_buffer.size();
    m_buffer.resize(have + kBlock);
    std::size_t got = std::fread(m_buffer.data() + have, 1, kBlock, m_file);
    m_buffer.resize(have + got);
    if (got < kBlock) {
        if (std::ferror(m_file))
            m_failed = true;
        else
            m_eof = true;
    }
    return got > 0;
}

bool CallLogLineReader::Next(std::string& line) {
    std::size_t scanFrom = m_pos;
    for (;;) {
        std::size_t lf = m_buffer.find('\n', scanFrom);
        if (lf != std::string::npos) {
            std::size_t end = lf;
            if (end > m_pos && m_buffer[end - 1] == '\r')
                --end;
            line.assign(m_buffer, m_pos, end - m_pos);
            m_pos = lf + 1;
            return true;
        }
        // Only the newly read block needs scanning; Fill moves the unread tail to the front.
        std::size_t tail = m_buffer.size() - m_pos;
        if (!Fill()) {
            if (m_failed)
                return false;
            break;
        }
        scanFrom = tail;
    }
    // End of file: a last line without its line end.
    if (m_pos >= m_buffer.size())
        return false;
    line.assign(m_buffer, m_pos, std::string::npos);
    m_pos = m_buffer.size();
    return true;
}
