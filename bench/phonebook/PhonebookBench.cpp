// Load, Save and the caller lookup of a 100,000-entry phonebook.txt (about 3 MB), against the
// time `cat` takes to read the same file, a caller's number in another form included. Every change
// saves the whole file; a lookup reads it again only when it changed.
//   phonebook_bench [entries] [runs]
#include "phonebook/Phonebook.h"
#include "platform/ModulePath.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double min;
    double median;
    double max;
    double cpuMedian; // this thread's CPU time: what the figures are when the machine is busy
};

double CpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

Figures Measure(int runs, const std::function<void()>& step) {
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const double cpuStart = CpuMs();
        step();
        cpu.push_back(CpuMs() - cpuStart);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    return {ms.front(), ms[ms.size() / 2], ms.back(), cpu[cpu.size() / 2]};
}

void Print(const char* what, const Figures& f) {
    std::printf("%-32s min %7.2f ms  median %7.2f ms  max %7.2f ms  (cpu median %6.2f ms)\n", what,
                f.min, f.median, f.max, f.cpuMedian);
}

} // namespace

int main(int argc, char** argv) {
    const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 30;

    char folder[] = "/tmp/tintorel-bench-phonebook-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    const std::string path = dir + "/phonebook.txt";
    platform::SetModuleFileNameOverride(dir + "/tintorel");
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < entries; ++i)
            out << "0" << (791000000 + i) << ";Dupont-Martin Jean " << i << "\r\n";
        out << "country;0\r\n";
    }
    struct stat st;
    stat(path.c_str(), &st);
    std::printf("phonebook.txt: %d entries, %.2f MB, in %s\n", entries,
                static_cast<double>(st.st_size) / (1 << 20), folder);

    const std::string cat = "cat '" + path + "' > /dev/null";
    Print("cat phonebook.txt > /dev/null", Measure(runs, [&] {
              if (std::system(cat.c_str()) != 0)
                  std::abort();
          }));

    CPhonebook* book = nullptr;
    Print("first Load (empty store)", Measure(1, [&] { book = new CPhonebook(); }));
    Print("Load (file unchanged)", Measure(runs, [&] { book->Load(); }));
    Print("Save", Measure(runs, [&] { book->Save(); }));
    Print("SetEntry (Load + change + Save)",
          Measure(runs, [&] { book->SetEntry("0791234567", "Bench"); }));
    // A known number: no directory is asked, whatever the settings.
    const std::string known = std::to_string(791000000 + entries / 2);
    Print("LookupCaller (known number)", Measure(runs, [&] {
              if (book->LookupCaller("0" + known).empty())
                  std::abort();
          }));
    // The same number as an exchange sends it, international without its 00: found by the
    // canonical index (made at the first such lookup, kept up to date afterwards).
    Print("LookupCaller (other form)", Measure(runs, [&] {
              if (book->LookupCaller("41" + known, NumberKind::International).empty())
                  std::abort();
          }));
    const std::string line = "0" + known + ";Dupont-Martin Jean " + std::to_string(entries / 2);
    Print("LookupCaller (file just changed)", Measure(runs, [&] {
              std::ofstream(path, std::ios::binary | std::ios::app) << line << "\r\n";
              if (book->LookupCaller("0" + known).empty())
                  std::abort();
          }));

    delete book;
    unlink(path.c_str());
    rmdir(folder);
    return 0;
}
