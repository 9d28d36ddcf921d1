#include "calllog/CallLogRecord.h"

#include "platform/RegularFile.h"

#include <cerrno>

#include <fcntl.h>

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

CallLogLineReader::CallLogLineReader(const std::string& path)
    : m_file(platform::OpenRegularFile(path, O_RDONLY)) {
    if (m_file.get() < 0)
        m_error = errno;
    else
        m_lines.emplace(m_file.get());
}

bool CallLogLineReader::Next(std::string& line) {
    std::string_view next;
    if (!m_lines || !m_lines->Next(next)) {
        if (m_lines && m_error == 0)
            m_error = m_lines->Error();
        return false;
    }
    line.assign(next);
    return true;
}
