#include "platform/TextArgs.h"

#include <vector>

namespace platform {

std::string FillIn(const QString& text, std::initializer_list<std::string_view> args) {
    const std::vector<std::string_view> values(args);
    const QByteArray utf8 = text.toUtf8();
    std::string out;
    out.reserve(static_cast<std::size_t>(utf8.size()));
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c == '%' && i + 1 < utf8.size() && utf8[i + 1] >= '1' && utf8[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(utf8[i + 1] - '1');
            if (n < values.size()) {
                out += values[n];
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

} // namespace platform
