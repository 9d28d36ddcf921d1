#pragma once
// The registry's text file: parsing and writing of the REGEDIT4-style format, kept apart from
// the file locking and the API so that the reader can be tested and fuzzed on its own.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::regfile {

// Key and value names compare without regard to ASCII case, as on Windows.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool EqualNoCase(std::string_view a, std::string_view b);

struct Value {
    std::uint32_t type = 0;
    std::string data; // raw bytes, as stored
};

struct Key {
    std::string name;       // as first written
    bool persisted = false; // has its own section in the file (else only implied by a child)
    std::map<std::string, Value, NoCaseLess> values;
    std::vector<std::string> rawLines; // lines of its section that could not be read
    std::map<std::string, std::unique_ptr<Key>, NoCaseLess> children;

    Key* Child(const std::string& name) const;
    Key& AddChild(const std::string& name);
};

// The whole hive; sections for other hives and unreadable headers are kept verbatim.
struct Hive {
    Key root;
    std::vector<std::string> foreign;
};

// Parses a file's bytes. Never fails: whatever can't be read is kept aside as raw text and
// counts as absent.
Hive Parse(std::string_view text);

// Writes the hive back; Parse(Serialize(h)) gives the same keys and values.
std::string Serialize(const Hive& hive);

// Splits "a\b\c" into its parts; empty parts (doubled or trailing "\") are dropped.
std::vector<std::string> SplitPath(const std::string& path);

} // namespace platform::regfile
