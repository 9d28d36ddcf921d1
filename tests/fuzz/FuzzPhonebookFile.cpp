// The phonebook file reader on arbitrary files, through the store itself: whatever it keeps is
// well formed, and a file it saved reads back to the same phonebook and country.
#include "phonebook/Phonebook.h"
#include "platform/ModulePath.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include <stdlib.h>

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char tmpl[] = "/tmp/tintorel-fuzz-phonebook-XXXXXX";
        if (!mkdtemp(tmpl))
            std::abort();
        platform::SetModuleFileNameOverride(std::string(tmpl) + "/tintorel");
        return std::string(tmpl);
    }();
    return folder;
}

std::map<std::string, std::string> Entries(const CPhonebook& book) {
    std::map<std::string, std::string> entries;
    POSITION pos = book.GetStartPosition();
    while (pos) {
        std::string number;
        std::string name;
        book.GetNextEntry(pos, number, name);
        entries[number] = name;
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder() + "/phonebook.txt";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CPhonebook book;
    const auto entries = Entries(book);
    for (const auto& [number, name] : entries) {
        if (number.empty() || name.empty() || number[0] == ';' || number == "country" ||
            number.find_first_of(";\n") != std::string::npos ||
            name.find('\n') != std::string::npos)
            std::abort();
    }
    const int country = book.GetCountry();
    if (country < -1 || country > 1)
        std::abort();

    book.Save();
    CPhonebook again;
    if (Entries(again) != entries || again.GetCountry() != country)
        std::abort();
    return 0;
}
