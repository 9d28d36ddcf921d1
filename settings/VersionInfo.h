#pragma once
// Reads the version block that the build stores in a section of an executable
// (see VersionBlock.h): the product version and the translation table.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CVersionInfo {
  public:
    CVersionInfo() = default;
    ~CVersionInfo();
    CVersionInfo(const CVersionInfo&) = delete;
    CVersionInfo& operator=(const CVersionInfo&) = delete;

    // Loads the block of the named file (none = the running executable). True when a block
    // with a translation table was loaded.
    bool Open(const std::optional<std::string>& fileName = std::nullopt);
    // "major,minor,patch,tweak" of the product version, or "" when nothing is loaded.
    std::string GetProductVersion() const;
    // Releases the block; harmless when nothing is loaded.
    void Close();

  private:
    // Looks up "\" (the fixed record) or "\VarFileInfo\Translation" in the loaded block.
    bool QueryValue(std::string_view subBlock, const std::uint8_t** data, std::size_t* size) const;
    std::uint32_t ReadWord(std::size_t offset) const;

    std::optional<std::vector<std::uint8_t>> m_block;
    bool m_bBigEndian = false;
};
