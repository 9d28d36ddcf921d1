#pragma once
// The command line's requests to the copy already running for this user and data folder
// (tintorel --history, --phonebook, --lines, --about, --quit). They go over the log owner's
// request channel: no display, no second program, and nothing of Qt's GUI is started.

#include <string>

// Sends the request ("history", ...) and returns the program's exit code: 0 when the running
// copy took it; 1 when no copy runs ("Tintorel ne tourne pas.") or it did not take it, told on
// standard error.
int AskRunningCopy(const std::string& request);
