#pragma once
// What both contact readers must hold to on any input: an error or records, never both; only
// well-formed phonebook entries out of them; and those entries come back the same through the
// writer of the same format.

#include "phonebook/ContactEntries.h"
#include "phonebook/ImportText.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

template <class Read, class Write>
void CheckContactReader(const std::uint8_t* data, std::size_t size, Read read, Write write) {
    std::string text(reinterpret_cast<const char*>(data), size);
    if (!PrepareImportText(text).empty())
        return;
    const ContactFile file = read(text);
    if (!file.error.empty()) {
        if (!file.records.empty())
            std::abort();
        return;
    }
    const int country = static_cast<int>(size % 2);
    ContactEntries entries = ToPhonebookEntries(file.records, country);
    for (const auto& [number, name] : entries.entries) {
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos ||
            name.empty() || name.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }
    const ContactFile again = read(write(ExportOrder(entries.entries)));
    ContactEntries back = ToPhonebookEntries(again.records, country);
    std::sort(entries.entries.begin(), entries.entries.end());
    std::sort(back.entries.begin(), back.entries.end());
    if (back.entries != entries.entries || !back.skipped.empty())
        std::abort();
}
