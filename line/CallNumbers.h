#pragma once
// What the user asked of calls by their numbers: a name for each number that is called
// ("Bureau", shown after it), and the callers to ignore (no sound, no window, no notification;
// still logged). Numbers match as written first, else by canonical form (phonebook/PhoneNumber.h);
// an ignored prefix ("0900*") matches a caller whose canonical form starts with its own.

#include "line/IncomingCall.h"
#include "phonebook/PhoneNumber.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace line {

// What the canonical form makes of the type of number.
NumberKind KindOf(NumberType type);

// The canonical forms the same-call rule and the lookup compare.
std::string CanonicalCalling(const IncomingCall& call, int country);
std::string CanonicalCalled(const IncomingCall& call, int country);

// A called number with its label after it, in brackets ("0219876543 (Bureau)"); the number
// alone without a label.
std::string CalledText(const std::string& called, const std::string& label);

// The labels of called numbers (Windows-1252), found as the line gives the number, else by
// canonical form.
class CalledLabels {
  public:
    CalledLabels() = default;
    CalledLabels(const std::vector<std::pair<std::string, std::string>>& labels, int country);
    // The labels stored now, for the phonebook's country now.
    static CalledLabels Stored();

    // The label of called, "" when there is none.
    std::string Find(const std::string& called) const;

  private:
    int m_country = 0;
    std::unordered_map<std::string, std::string> m_written;
    std::unordered_map<std::string, std::string> m_canonical;
};

// The list of ignored callers: numbers, prefixes ending in "*" and "Anonyme" for withheld
// numbers.
class IgnoredCallers {
  public:
    IgnoredCallers() = default;
    IgnoredCallers(const std::vector<std::string>& entries, int country);
    static IgnoredCallers Stored();

    // Whether a call from calling (empty: withheld) is ignored.
    bool Ignores(const std::string& calling, NumberKind kind) const;
    // The entries that name this number itself (not a prefix of it), as stored.
    std::vector<std::string> EntriesFor(const std::string& number) const;

  private:
    int m_country = 0;
    bool m_withheld = false;
    std::vector<std::pair<std::string, std::string>> m_numbers; // entry, canonical form
    std::vector<std::string> m_prefixes;                        // canonical forms
};

// Whether an entry typed for the list of ignored callers is one: "Anonyme" (any case), a
// number or a number followed by "*", as the phonebook's rules read them (Unicode).
bool IsIgnoredEntry(QStringView entry);

// What the user asked of one call.
struct CallTreatment {
    std::string calledLabel; // "" when the called number has none
    bool ignored = false;
};
// Reads both lists as they are stored now.
CallTreatment TreatmentOf(const IncomingCall& call);

} // namespace line
