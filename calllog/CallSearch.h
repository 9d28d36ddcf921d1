#pragma once
// Finding calls in the history as the user types: part of the caller's number or of the name,
// without regard to case or accents, over as many calls as the log holds.

#include <QString>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CallSearch {
  public:
    // Adds the next call (Windows-1252, as the log holds it); calls are numbered from 0 in the
    // order added.
    void Add(std::string_view number, std::string_view name);
    std::size_t Size() const { return m_starts.size(); }

    // The calls, in order, whose number or name holds the typed text; blanks around it don't
    // count, and nothing typed gives every call. Text made only of digits and the signs numbers
    // are written with ("079 123-45-67", "+41") is looked for as its digits.
    std::vector<int> Matching(const QString& typed) const;

  private:
    // Each call's folded number and name, apart by '\x01', the calls apart by '\0': the typed
    // text (which holds neither) is found in one pass over all of them.
    std::string m_text;
    std::vector<std::size_t> m_starts; // where each call begins in m_text
};

// The form both sides of a search are compared in: accents dropped, case folded, control
// characters as blanks; UTF-8.
std::string FoldForSearch(const QString& text);
