#pragma once
// The command the user chose to run for each call ("CallCommand" in the settings): split as a
// shell would split it, run without one, with what is known of the call in its environment.
// Nothing of a caller's number or name can become part of the command line.

#include "line/IncomingCall.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace line {

// What the command is told of a call (Windows-1252 texts).
struct CallFacts {
    std::string name;        // what the log has as the name; "" for a withheld number
    std::string calledLabel; // "" when the called number has none
    bool ignored = false;
    std::time_t time = 0; // when the call came
};

// The local time as ISO 8601 with its offset ("2025-03-08T18:20:59+01:00").
std::string IsoLocalTime(std::time_t time);

// The program and its arguments of a command line: blanks separate them, single and double
// quotes and backslashes work as in a shell; no variable, no substitution, no redirection, no
// other sign means anything. Nothing when a quote or a backslash is left open.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view command);

// TINTOREL_CALLING, TINTOREL_CALLED, TINTOREL_NAME, TINTOREL_CALLED_LABEL, TINTOREL_LINE,
// TINTOREL_TIME and, for an ignored call, TINTOREL_IGNORED=1; texts in UTF-8.
std::vector<std::pair<std::string, std::string>> CallVariables(const IncomingCall& call,
                                                               const CallFacts& facts);

// Hands the stored command, if there is one, to the program's runner; returns at once.
void StartCallCommand(const IncomingCall& call, const CallFacts& facts);

} // namespace line
