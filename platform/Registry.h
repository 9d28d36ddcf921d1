#pragma once
// Stand-in for the HKEY_LOCAL_MACHINE registry: keys, subkeys and typed values kept in a
// REGEDIT4-style text file ($TINTOREL_REGISTRY, else $XDG_CONFIG_HOME/tintorel/registry.reg).
// The values of Software\Microsoft\Windows\CurrentVersion\Run are XDG autostart entries
// ($XDG_CONFIG_HOME/autostart/<name lower-case>.desktop, Exec= holding the text).
// Error codes and semantics follow the Windows calls of the same name: a missing key is an
// error, every open reads the current file, every write is atomic and locked between processes.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

using LONG = long;
using DWORD = std::uint32_t;
using BYTE = std::uint8_t;

struct RegKey; // opaque
using HKEY = RegKey*;

extern HKEY const HKEY_LOCAL_MACHINE;

// Error codes (winerror.h values).
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_NO_MORE_ITEMS = 259;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

// Access rights (only read vs. write matters here).
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

// Opens an existing key; ERROR_FILE_NOT_FOUND when it doesn't exist. subKey uses "\" as
// separator; a trailing "\" is ignored.
LONG RegOpenKeyEx(HKEY parent, const std::string& subKey, DWORD access, HKEY* result);
// Opens the key, creating it and any missing parents.
LONG RegCreateKeyEx(HKEY parent, const std::string& subKey, DWORD access, HKEY* result);
LONG RegCloseKey(HKEY key);

// Reads a value. type and data may be null. *size holds the buffer size on entry and the
// value's size on return; ERROR_MORE_DATA when the buffer is too small (data untouched).
LONG RegQueryValueEx(HKEY key, const std::string& name, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueEx(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, const std::string& name);

// Name of the subkey at index (sorted by name); ERROR_NO_MORE_ITEMS past the last.
// *nameSize holds the buffer size in characters on entry, the name's length on return.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize);
// Deletes a subkey that has no subkeys of its own (its values go with it).
LONG RegDeleteKey(HKEY parent, const std::string& subKey);
// Deletes the subkey and everything below it, depth first; ERROR_SUCCESS or the first error.
LONG DeleteKeyTree(HKEY parent, const std::string& subKey);

// Makes the registry file readable and writable by its owner only (an empty one when there is
// none yet), before a secret is stored in it; every later write keeps that. False when it
// could not be done, or something other than a regular file stands in its place.
bool RestrictRegistryFile();

// Every value of a key, sorted by name, from one reading of the file: what a loop of
// RegEnumValue calls would give, without reading the file again for each value. The values of
// the run key (autostart entries) are not listed.
struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data; // raw bytes, as stored
};
LONG EnumKeyValues(HKEY key, std::vector<RegValue>& values);

} // namespace platform
