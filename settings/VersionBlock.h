#pragma once
// The version block the build stores in a named section of the executable, the counterpart of
// a Windows version resource. The numbers are in the byte order of the file (the ELF header
// says which), laid out without padding so a reader can take it apart field by field.

#include <cstddef>
#include <cstdint>

// Section of the executable that carries the block.
#define TINTOREL_VERSION_SECTION ".tintorel_version"

struct TintorelVersionBlock {
    char signature[8];              // "TNTLVER" and a NUL
    std::uint32_t length;           // bytes of the block that are in use
    std::uint32_t fixedSignature;   // 0xFEEF04BD, as in a fixed file information record
    std::uint32_t fileVersionMS;    // major << 16 | minor
    std::uint32_t fileVersionLS;    // patch << 16 | tweak
    std::uint32_t productVersionMS; // major << 16 | minor
    std::uint32_t productVersionLS; // patch << 16 | tweak
    std::uint32_t translationCount; // entries that follow (0 = no translation table)
    std::uint16_t translation[2];   // language id, code page
};

namespace versionblock {
constexpr char kSignature[8] = {'T', 'N', 'T', 'L', 'V', 'E', 'R', '\0'};
constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::size_t kSignatureOffset = 0;
constexpr std::size_t kLengthOffset = 8;
constexpr std::size_t kFixedOffset = 12; // fixed signature, then the four version words
constexpr std::size_t kFixedSize = 20;
constexpr std::size_t kTranslationCountOffset = 32;
constexpr std::size_t kTranslationOffset = 36;
constexpr std::size_t kTranslationEntrySize = 4;
} // namespace versionblock

static_assert(offsetof(TintorelVersionBlock, length) == versionblock::kLengthOffset);
static_assert(offsetof(TintorelVersionBlock, fixedSignature) == versionblock::kFixedOffset);
static_assert(offsetof(TintorelVersionBlock, translationCount) ==
              versionblock::kTranslationCountOffset);
static_assert(offsetof(TintorelVersionBlock, translation) == versionblock::kTranslationOffset);
static_assert(sizeof(TintorelVersionBlock) == 40);
