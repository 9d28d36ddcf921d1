#pragma once
// Reading the store and its file back in the tests.

#include "phonebook/Phonebook.h"

#include <map>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>

inline std::map<std::string, std::string> Entries(const CPhonebook& book) {
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

// The file's lines; every line must end with CR LF.
inline std::vector<std::string> CrLfLines(const std::string& text, bool* allCrLf = nullptr) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    bool ok = true;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ok = false;
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (allCrLf)
        *allCrLf = ok;
    return lines;
}

// Temporary files of a save left in the folder.
inline int TempFiles(const std::string& folder) {
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, "phonebook.txt.tmp-", 18) == 0)
                ++count;
        closedir(dir);
    }
    return count;
}
