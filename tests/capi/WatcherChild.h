#pragma once
// The child side of the watcher tests: registers through the real libcapi20 with linesim on
// the other end, then obeys one command a line from the test and reports what it sees.
//
// Commands: "poll" (one Handle_CAPI_Msg), "listen", "stop", "restart" (stop, then init and a
// new watcher at once), "table", "alloc", "appl", "link" (the link status), "links" (every
// status the watcher reported), "type" (the calling party's type of number the handler got
// last, 99 before any), "cpu" (process CPU time in ms), "hold on|off" (the handler
// waits for "go" before it returns), "go", "exit", "quick-exit".
// Reports: "init 0|1", "call <calling hex or -> <called hex or -> <table>" from the handler,
// "ended <ms since stop>" when a watcher started with Mode::OwnThread returns, and one line
// per command. A table is "-" or in-use slots "index/PLCI/NCCI/state[/i]" joined by ",". A link
// status is "absent|starting|connected|lost|missing/<controllers>/<seconds to retry>"; "links"
// gives each as " <status>@<ms>" (steady clock).

#include "tests/support/LineSimHarness.h"

namespace watcher_test {

enum class Mode {
    Polls,     // no watcher thread: the test polls
    Detached,  // StartCAPIThread
    OwnThread, // CAPIThread on a thread that reports when it returns
};

struct ChildOptions {
    Mode mode = Mode::Polls;
    bool handler = true;
    // Installs, before InitCAPI, an at-exit routine that runs after the watcher's: it reports
    // "atexit appl=<id>" and waits for "go".
    bool atExitProbe = false;
    // StartCAPI in place of InitCAPI and a watcher: "init async" at once, then "first 0|1"
    // from the watcher once its first registration is done.
    bool async = false;
};

int RunChild(testing_support::ChildProcess& io, const ChildOptions& options);

} // namespace watcher_test
