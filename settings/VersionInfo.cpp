#include "settings/VersionInfo.h"

#include "platform/ModulePath.h"
#include "settings/VersionBlock.h"

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// A version block is a few dozen bytes; anything this large is not ours.
constexpr std::uint64_t kMaxSectionSize = 1u << 20;
constexpr std::uint64_t kMaxStringTableSize = 16u << 20;

constexpr std::uint32_t kShtNoBits = 8;
constexpr std::uint32_t kShnXIndex = 0xFFFF;

std::uint64_t Decode(const std::uint8_t* p, std::size_t width, bool bigEndian) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::size_t shift = bigEndian ? (width - 1 - i) * 8 : i * 8;
        value |= static_cast<std::uint64_t>(p[i]) << shift;
    }
    return value;
}

// Bounded reads of an ELF file whose contents can't be trusted.
class ElfFile {
  public:
    explicit ElfFile(const std::string& path) : m_in(path, std::ios::binary) {
        if (!m_in)
            return;
        m_in.seekg(0, std::ios::end);
        const std::streamoff end = m_in.tellg();
        if (end > 0)
            m_size = static_cast<std::uint64_t>(end);
    }

    std::uint64_t Size() const { return m_size; }

    bool Read(std::uint64_t offset, std::uint64_t length, std::vector<std::uint8_t>& out) {
        if (offset > m_size || length > m_size - offset)
            return false;
        out.resize(static_cast<std::size_t>(length));
        if (length == 0)
            return true;
        m_in.clear();
        m_in.seekg(static_cast<std::streamoff>(offset));
        m_in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(length));
        return m_in.gcount() == static_cast<std::streamsize>(length);
    }

  private:
    std::ifstream m_in;
    std::uint64_t m_size = 0;
};

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

// Finds the named section in the file's section headers and returns its bytes.
bool ReadElfSection(const std::string& path, const char* wanted, std::vector<std::uint8_t>& out,
                    bool& bigEndian) {
    ElfFile file(path);
    std::vector<std::uint8_t> header;
    if (!file.Read(0, 52, header)) // the smaller (32-bit) header
        return false;
    if (std::memcmp(header.data(),
                    "\x7f"
                    "ELF",
                    4) != 0)
        return false;
    const std::uint8_t elfClass = header[4];
    const std::uint8_t elfData = header[5];
    if ((elfClass != 1 && elfClass != 2) || (elfData != 1 && elfData != 2))
        return false;
    const bool is64 = elfClass == 2;
    bigEndian = elfData == 2;
    if (is64 && !file.Read(0, 64, header))
        return false;
    auto field = [&](const std::vector<std::uint8_t>& bytes, std::size_t offset,
                     std::size_t width) { return Decode(bytes.data() + offset, width, bigEndian); };

    const std::uint64_t shoff = is64 ? field(header, 40, 8) : field(header, 32, 4);
    const std::uint64_t shentsize = field(header, is64 ? 58 : 46, 2);
    std::uint64_t shnum = field(header, is64 ? 60 : 48, 2);
    std::uint64_t shstrndx = field(header, is64 ? 62 : 50, 2);
    const std::uint64_t minEntry = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < minEntry)
        return false;

    auto parseSection = [&](const std::vector<std::uint8_t>& bytes, std::size_t at) {
        Section s;
        s.name = static_cast<std::uint32_t>(field(bytes, at, 4));
        s.type = static_cast<std::uint32_t>(field(bytes, at + 4, 4));
        s.offset = is64 ? field(bytes, at + 24, 8) : field(bytes, at + 16, 4);
        s.size = is64 ? field(bytes, at + 32, 8) : field(bytes, at + 20, 4);
        s.link = static_cast<std::uint32_t>(field(bytes, at + (is64 ? 40 : 24), 4));
        return s;
    };

    // Extended numbering: the real counts live in the first section header.
    if (shnum == 0 || shstrndx == kShnXIndex) {
        std::vector<std::uint8_t> first;
        if (!file.Read(shoff, minEntry, first))
            return false;
        const Section zero = parseSection(first, 0);
        if (shnum == 0)
            shnum = zero.size;
        if (shstrndx == kShnXIndex)
            shstrndx = zero.link;
    }
    if (shnum == 0 || shstrndx >= shnum || shoff > file.Size() ||
        shnum > (file.Size() - shoff) / shentsize)
        return false;

    std::vector<std::uint8_t> table;
    if (!file.Read(shoff, shnum * shentsize, table))
        return false;
    const Section names = parseSection(table, static_cast<std::size_t>(shstrndx * shentsize));
    if (names.type == kShtNoBits || names.size > kMaxStringTableSize)
        return false;
    std::vector<std::uint8_t> strings;
    if (!file.Read(names.offset, names.size, strings))
        return false;

    const std::size_t wantedLength = std::strlen(wanted);
    for (std::uint64_t i = 0; i < shnum; ++i) {
        const Section s = parseSection(table, static_cast<std::size_t>(i * shentsize));
        if (s.name >= strings.size() || strings.size() - s.name <= wantedLength)
            continue;
        if (std::memcmp(strings.data() + s.name, wanted, wantedLength + 1) != 0)
            continue;
        if (s.type == kShtNoBits || s.size == 0 || s.size > kMaxSectionSize)
            return false;
        return file.Read(s.offset, s.size, out);
    }
    return false;
}

} // namespace

CVersionInfo::~CVersionInfo() {
    Close();
}

bool CVersionInfo::Open(const std::optional<std::string>& fileName) {
    Close();
    std::string path;
    if (fileName) {
        path = *fileName;
    } else {
        const std::optional<std::string> self = platform::GetModuleFileName();
        path = self && !self->empty() ? *self : std::string("tintorel.exe");
    }

    std::vector<std::uint8_t> block;
    bool bigEndian = false;
    if (!ReadElfSection(path, TINTOREL_VERSION_SECTION, block, bigEndian))
        return false;
    if (block.size() < versionblock::kTranslationOffset ||
        std::memcmp(block.data(), versionblock::kSignature, sizeof versionblock::kSignature) != 0)
        return false;
    const std::uint64_t length = Decode(block.data() + versionblock::kLengthOffset, 4, bigEndian);
    if (length < versionblock::kTranslationOffset || length > block.size())
        return false;
    block.resize(static_cast<std::size_t>(length));

    m_block = std::move(block);
    m_bBigEndian = bigEndian;
    const std::uint8_t* translation = nullptr;
    std::size_t translationSize = 0;
    if (!QueryValue("\\VarFileInfo\\Translation", &translation, &translationSize)) {
        Close();
        return false;
    }
    return true;
}

std::string CVersionInfo::GetProductVersion() const {
    const std::uint8_t* fixed = nullptr;
    std::size_t fixedSize = 0;
    if (!QueryValue("\\", &fixed, &fixedSize))
        return {};
    const std::uint32_t ms = ReadWord(versionblock::kFixedOffset + 12);
    const std::uint32_t ls = ReadWord(versionblock::kFixedOffset + 16);
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u", static_cast<unsigned>(ms >> 16),
                  static_cast<unsigned>(ms & 0xFFFF), static_cast<unsigned>(ls >> 16),
                  static_cast<unsigned>(ls & 0xFFFF));
    return text;
}

void CVersionInfo::Close() {
    m_block.reset();
}

bool CVersionInfo::QueryValue(std::string_view subBlock, const std::uint8_t** data,
                              std::size_t* size) const {
    if (!m_block)
        return false;
    const std::vector<std::uint8_t>& block = *m_block;
    if (subBlock == "\\") {
        if (block.size() < versionblock::kFixedOffset + versionblock::kFixedSize ||
            ReadWord(versionblock::kFixedOffset) != versionblock::kFixedSignature)
            return false;
        *data = block.data() + versionblock::kFixedOffset;
        *size = versionblock::kFixedSize;
        return true;
    }
    if (subBlock == "\\VarFileInfo\\Translation") {
        const std::uint64_t count = ReadWord(versionblock::kTranslationCountOffset);
        const std::uint64_t bytes = count * versionblock::kTranslationEntrySize;
        if (count == 0 || bytes > block.size() - versionblock::kTranslationOffset)
            return false;
        *data = block.data() + versionblock::kTranslationOffset;
        *size = static_cast<std::size_t>(bytes);
        return true;
    }
    return false;
}

std::uint32_t CVersionInfo::ReadWord(std::size_t offset) const {
    return static_cast<std::uint32_t>(Decode(m_block->data() + offset, 4, m_bBigEndian));
}
