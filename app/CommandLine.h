#pragma once
// The program's command line. A plain "tintorel" runs the program; --help and --version print
// and end it before anything else starts, so they need no display, line or file; --import,
// --export and --export-history do their work instead of starting it; --history, --phonebook,
// --lines, --about and --quit ask the copy already running to open that window or to end;
// anything else the program doesn't know ends it with status 2. Qt's own options (-style,
// -session, ...) are left to the application object.

#include <optional>
#include <string>

namespace app {

struct CommandLine {
    // Work on the contacts or the history that ends the program without starting it.
    // Request: a request for the running copy instead.
    enum class Command { Run, Import, Export, ExportHistory, Request };
    Command command = Command::Run;
    std::string file;       // the file of the command
    std::string request;    // Request: its word ("history", "phonebook", "lines", "about", "quit")
    bool overwrite = false; // --import: names of numbers already there are replaced

    // Set when the program is to end at once with this status: help or version printed (0), or
    // a command line it can't follow, told on standard error (2).
    std::optional<int> exitStatus;
    // The user named the window system (-platform): it is not chosen for them.
    bool platformGiven = false;
};

// Reads argv (argv[0] is the program) and prints what the options ask for.
CommandLine ParseCommandLine(int argc, char** argv);

} // namespace app
