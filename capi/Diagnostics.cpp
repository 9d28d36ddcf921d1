#include "capi/Diagnostics.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace capi {

void Say(std::string_view text) {
    // The stream's own lock spans the write and the flush.
    flockfile(stdout);
    fwrite_unlocked(text.data(), 1, text.size(), stdout);
    fflush_unlocked(stdout);
    funlockfile(stdout);
}

void Sayf(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    Say(text);
}

} // namespace capi
