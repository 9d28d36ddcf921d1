#include "phonebook/NameCutter.h"

bool CutName(std::string_view page, const CPhonebook::Profile& profile, std::string& name) {
    // A table marker at the very start of the page is never taken.
    std::size_t table = page.find(profile.tableMarker, 1);
    if (table == std::string_view::npos)
        return false;
    std::size_t row = std::string_view::npos;
    bool rowSearched = false;
    while (true) {
        // The first row marker after an earlier table marker is still the first one after a
        // later table marker as long as it lies beyond it: no need to search again.
        if (!rowSearched || row <= table) {
            row = page.find(profile.rowMarker, table + 1);
            rowSearched = true;
        }
        if (row == std::string_view::npos)
            return false; // no later table marker can find one either
        if (static_cast<long long>(row - table) <= profile.maxRowDistance)
            break;
        table = page.find(profile.tableMarker, table + 1);
        if (table == std::string_view::npos)
            return false;
    }

    std::size_t start = page.find(profile.nameStart, row);
    if (start == std::string_view::npos)
        return false;
    start += profile.nameStart.size();
    std::size_t end = page.find(profile.nameEnd, start);
    if (end == std::string_view::npos)
        return false;

    std::string out;
    bool inTag = false;
    for (std::size_t i = start; i < end; ++i) {
        char c = page[i];
        if (c == '<') {
            inTag = true;
            continue;
        }
        if (c == '\n')
            return false;
        if (!inTag)
            out += c;
        if (c == '>')
            inTag = false;
    }
    name = std::move(out);
    return true;
}
