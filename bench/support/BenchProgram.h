#pragma once
// What the benchmarks that run the program in their own process share: a private folder with a
// large phonebook that the program takes for its own, the simulated line it listens on, and a
// way to end its modal run from another thread.

#include <string>

class CCallPopupDlg;
namespace linesim {
class LineSim;
}

namespace bench {

constexpr int kPhonebookEntries = 100000;

// The i-th subscriber of the phonebook PrepareFolder writes.
std::string SubscriberNumber(int i);

// folder/phonebook.txt with entries subscribers, Swiss directory.
void WritePhonebook(const std::string& folder, int entries = kPhonebookEntries);

// HOME, the settings and the program's folder in folder, with a phonebook of entries numbers;
// sounds and message boxes answered in silence.
void PrepareFolder(const std::string& folder, int entries = kPhonebookEntries);

// Starts the line and points the program at it, on the offscreen platform unless another was
// asked for; false, said on standard error, when it can't start.
bool StartLine(linesim::LineSim& line);

// Ends the modal run of the window, as Escape does.
void Quit(CCallPopupDlg* dlg);

} // namespace bench
