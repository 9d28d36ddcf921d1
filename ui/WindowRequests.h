#pragma once
// What the command line's requests do in the running copy (tintorel --history, --phonebook,
// --lines, --about, --quit): open that window, or raise and focus it when it is open already;
// end the program as "Quitter" does.

#include <string>

class CCallPopupDlg;

// The answer for the requester: "ok", or "error unknown request". The window acts once the
// request's reader has returned, since a window runs modally and quitting ends every loop.
std::string OnWindowRequest(CCallPopupDlg& window, const std::string& request);
