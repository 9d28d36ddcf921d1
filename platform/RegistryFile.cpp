#include "platform/RegistryFile.h"

#include "platform/LineSplitter.h"

#include <algorithm>
#include <cstdio>

namespace platform::regfile {

namespace {

constexpr std::string_view kHive = "HKEY_LOCAL_MACHINE";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads 1 to 8 hex digits making up the whole of s.
bool ParseHex32(std::string_view s, std::uint32_t& out) {
    if (s.empty() || s.size() > 8)
        return false;
    out = 0;
    for (char c : s) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        out = (out << 4) | static_cast<std::uint32_t>(d);
    }
    return true;
}

// A quoted text starting at s[0] == '"'; on success pos is just past the closing quote.
bool ParseQuoted(std::string_view s, std::size_t& pos, std::string& out) {
    if (s.empty() || s[0] != '"')
        return false;
    out.clear();
    std::size_t i = 1;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '\\' || s[i + 1] == '"')) {
            out += s[i + 1];
            i += 2;
            continue;
        }
        out += c;
        ++i;
    }
    return false;
}

bool ParseHexList(std::string_view s, std::string& out) {
    out.clear();
    s = TrimLeft(TrimRight(s));
    if (s.empty())
        return true;
    std::size_t i = 0;
    while (true) {
        std::size_t comma = s.find(',', i);
        std::string_view item =
            TrimLeft(TrimRight(s.substr(i, comma == std::string_view::npos ? s.npos : comma - i)));
        if (item.empty() || item.size() > 2)
            return false;
        std::uint32_t byte = 0;
        if (!ParseHex32(item, byte))
            return false;
        out += static_cast<char>(byte);
        if (comma == std::string_view::npos)
            return true;
        i = comma + 1;
    }
}

bool ParseData(std::string_view s, Value& value) {
    s = TrimRight(TrimLeft(s));
    if (!s.empty() && s[0] == '"') {
        std::size_t end = 0;
        std::string text;
        if (!ParseQuoted(s, end, text) || end != s.size())
            return false;
        value.type = 1; // REG_SZ
        value.data = text;
        value.data += '\0';
        return true;
    }
    if (s.starts_with("dword:")) {
        std::uint32_t n = 0;
        if (!ParseHex32(s.substr(6), n))
            return false;
        value.type = 4; // REG_DWORD
        value.data.assign(4, '\0');
        for (int i = 0; i < 4; ++i)
            value.data[i] = static_cast<char>((n >> (8 * i)) & 0xFF);
        return true;
    }
    if (s.starts_with("hex:")) {
        value.type = 3; // REG_BINARY
        return ParseHexList(s.substr(4), value.data);
    }
    if (s.starts_with("hex(")) {
        std::size_t close = s.find("):");
        if (close == std::string_view::npos)
            return false;
        if (!ParseHex32(s.substr(4, close - 4), value.type))
            return false;
        return ParseHexList(s.substr(close + 2), value.data);
    }
    return false;
}

// Continued data goes on in a line of its own: never a blank line or a section header.
bool IsContinuation(std::string_view next) {
    next = TrimLeft(next);
    return !TrimRight(next).empty() && next[0] != '[';
}

bool ParseValueLine(std::string_view line, std::string& name, Value& value) {
    std::size_t pos = 0;
    if (!line.empty() && line[0] == '@') {
        name.clear();
        pos = 1;
    } else if (!ParseQuoted(line, pos, name)) {
        return false;
    }
    std::string_view rest = TrimLeft(line.substr(pos));
    if (rest.empty() || rest[0] != '=')
        return false;
    return ParseData(rest.substr(1), value);
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

bool PrintableAsString(const Value& value) {
    if (value.type != 1 || value.data.empty() || value.data.back() != '\0')
        return false;
    for (std::size_t i = 0; i + 1 < value.data.size(); ++i) {
        char c = value.data[i];
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
    }
    return true;
}

std::string FormatData(const Value& value) {
    char buf[32];
    if (PrintableAsString(value))
        return Quote(value.data.substr(0, value.data.size() - 1));
    if (value.type == 4 && value.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) | static_cast<unsigned char>(value.data[i]);
        std::snprintf(buf, sizeof buf, "dword:%08x", n);
        return buf;
    }
    std::string out;
    if (value.type == 3) {
        out = "hex:";
    } else {
        std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
        out = buf;
    }
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x",
                      static_cast<unsigned char>(value.data[i]));
        out += buf;
    }
    return out;
}

// A kept line that ends in "\" is followed by an empty line, so that it doesn't take the next
// line in as its continuation when read again.
void AppendRaw(std::string& out, const std::string& raw) {
    out += raw + "\n";
    std::size_t lf = raw.rfind('\n');
    std::string_view last = raw;
    if (lf != std::string::npos)
        last.remove_prefix(lf + 1);
    last = TrimRight(last);
    if (!last.empty() && last.back() == '\\')
        out += "\n";
}

void WriteKey(const Key& key, const std::string& path, std::string& out) {
    if (key.persisted || !key.values.empty() || !key.rawLines.empty()) {
        out += "\n[" + path + "]\n";
        for (const auto& [name, value] : key.values)
            out += (name.empty() ? std::string("@") : Quote(name)) + "=" + FormatData(value) + "\n";
        for (const auto& raw : key.rawLines)
            AppendRaw(out, raw);
    }
    for (const auto& [name, child] : key.children)
        WriteKey(*child, path + "\\" + child->name, out);
}

} // namespace

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(Lower(a[i]));
        unsigned char y = static_cast<unsigned char>(Lower(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

Key* Key::Child(const std::string& childName) const {
    auto it = children.find(childName);
    return it == children.end() ? nullptr : it->second.get();
}

Key& Key::AddChild(const std::string& childName) {
    auto& slot = children[childName];
    if (!slot) {
        slot = std::make_unique<Key>();
        slot->name = childName;
    }
    return *slot;
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t sep = path.find('\\', i);
        if (sep == std::string::npos)
            sep = path.size();
        if (sep > i)
            parts.push_back(path.substr(i, sep - i));
        i = sep + 1;
    }
    return parts;
}

Hive Parse(std::string_view text) {
    Hive hive;
    hive.root.name = std::string(kHive);

    // Physical lines; a line ending in "\" goes on in the next one (long hex data).
    std::vector<std::string> lines;
    LineSplitter split(text);
    for (std::string_view physical; split.Next(physical);) {
        // Further CRs before the line end count as part of it too.
        while (!physical.empty() && physical.back() == '\r')
            physical.remove_suffix(1);
        lines.emplace_back(physical);
    }

    Key* current = nullptr; // null: outside any section of ours
    bool first = true;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string raw = lines[n];
        std::string logical(TrimRight(raw));
        while (!logical.empty() && logical.back() == '\\' && logical[0] != '[' &&
               n + 1 < lines.size() && IsContinuation(lines[n + 1])) {
            ++n;
            raw += "\n" + lines[n];
            logical.pop_back();
            logical += TrimRight(TrimLeft(lines[n]));
        }
        std::string_view line = TrimLeft(logical);
        if (line.empty())
            continue;
        if (first) {
            first = false;
            if (line == "REGEDIT4")
                continue;
        }
        if (line[0] == '[') {
            std::size_t close = line.rfind(']');
            std::string_view inner =
                close == std::string_view::npos ? std::string_view() : line.substr(1, close - 1);
            std::vector<std::string> parts = SplitPath(std::string(inner));
            bool ours = close == line.size() - 1 && !parts.empty() && EqualNoCase(parts[0], kHive);
            if (!ours) {
                current = nullptr;
                hive.foreign.push_back(raw);
                continue;
            }
            Key* key = &hive.root;
            for (std::size_t p = 1; p < parts.size(); ++p)
                key = &key->AddChild(parts[p]);
            key->persisted = true;
            current = key;
            continue;
        }
        if (!current) {
            hive.foreign.push_back(raw);
            continue;
        }
        std::string name;
        Value value;
        if (ParseValueLine(line, name, value) && !current->values.count(name))
            current->values.emplace(name, std::move(value));
        else
            current->rawLines.push_back(raw);
    }
    return hive;
}

std::string Serialize(const Hive& hive) {
    std::string out = "REGEDIT4\n";
    if (!hive.foreign.empty())
        out += "\n";
    for (const auto& raw : hive.foreign)
        AppendRaw(out, raw);
    WriteKey(hive.root, hive.root.name, out);
    return out;
}

} // namespace platform::regfile
