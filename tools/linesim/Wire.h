#pragma once
// Little-endian words as CAPI messages lay them out.

#include "tools/linesim/LineSim.h"

#include <cstddef>
#include <cstdint>

namespace linesim {

inline std::uint16_t U16(const Bytes& m, std::size_t off) {
    return static_cast<std::uint16_t>(m[off] | (m[off + 1] << 8));
}

inline std::uint32_t U32(const Bytes& m, std::size_t off) {
    return static_cast<std::uint32_t>(m[off]) | (static_cast<std::uint32_t>(m[off + 1]) << 8) |
           (static_cast<std::uint32_t>(m[off + 2]) << 16) |
           (static_cast<std::uint32_t>(m[off + 3]) << 24);
}

inline void PutU16(Bytes& m, std::uint16_t v) {
    m.push_back(static_cast<std::uint8_t>(v & 0xFF));
    m.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void PutU32(Bytes& m, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace linesim
