// Import of a 10,000-card vCard file into a 100,000-entry phonebook: the store loaded already
// (the phonebook editor's case) and from nothing (the command line's). Each run starts from
// the same phonebook.txt.
//   contacts_bench [cards] [entries] [runs]
#include "phonebook/ContactEntries.h"
#include "phonebook/ContactsTransfer.h"
#include "phonebook/ImportText.h"
#include "phonebook/VCard.h"
#include "platform/ModulePath.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

double CpuMs() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Ms(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Wall-clock figures, and this thread's CPU time: what they are when the machine is busy.
struct Samples {
    std::vector<double> ms;
    std::vector<double> cpu;
    template <class Step> void Measure(Step&& step) {
        const auto start = Clock::now();
        const double cpuStart = CpuMs();
        step();
        cpu.push_back(CpuMs() - cpuStart);
        ms.push_back(Ms(start));
    }
};

void Print(const char* what, Samples samples) {
    std::sort(samples.ms.begin(), samples.ms.end());
    std::sort(samples.cpu.begin(), samples.cpu.end());
    std::printf("%-34s min %7.2f ms  median %7.2f ms  max %7.2f ms  (cpu median %6.2f ms)\n", what,
                samples.ms.front(), samples.ms[samples.ms.size() / 2], samples.ms.back(),
                samples.cpu[samples.cpu.size() / 2]);
}

} // namespace

int main(int argc, char** argv) {
    const int cards = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int entries = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 15;

    char folder[] = "/tmp/tintorel-bench-contacts-XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string dir = folder;
    platform::SetModuleFileNameOverride(dir + "/tintorel");

    std::string phonebook;
    for (int i = 0; i < entries; ++i)
        phonebook += "0" + std::to_string(791000000 + i) + ";Dupont-Martin Jean " +
                     std::to_string(i) + "\r\n";
    phonebook += "country;0\r\n";

    // Two numbers a card, written as phones export them; one card in four names a number
    // the phonebook holds already.
    std::string vcf;
    for (int i = 0; i < cards; ++i) {
        const std::string n = std::to_string(i);
        const int known = i % 4 == 0 ? 791000000 + i : 781000000 + i;
        vcf += "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Fran\xC3\xA7ois " + n +
               ";H\xC3\xA9l\xC3\xA8ne;;;\r\n"
               "FN:H\xC3\xA9l\xC3\xA8ne Fran\xC3\xA7ois " +
               n +
               "\r\n"
               "TEL;TYPE=CELL:+41 " +
               std::to_string(known).insert(2, " ").insert(6, " ") + "\r\nTEL;TYPE=WORK:022 " +
               std::to_string(1000000 + i) +
               "\r\n"
               "EMAIL:helene" +
               n + "@example.ch\r\nEND:VCARD\r\n";
    }
    const std::string vcfPath = dir + "/contacts.vcf";
    WriteFile(vcfPath, vcf);
    std::printf("%d cards (%.2f MB) into %d entries, in %s\n", cards,
                static_cast<double>(vcf.size()) / (1 << 20), entries, folder);

    Samples loaded, fromNothing, read, convert, merge;
    ImportReport report;
    for (int run = 0; run < runs; ++run) {
        WriteFile(dir + "/phonebook.txt", phonebook);
        auto book = std::make_unique<CPhonebook>();
        loaded.Measure([&] { report = ImportContacts(*book, vcfPath, false); });

        WriteFile(dir + "/phonebook.txt", phonebook);
        fromNothing.Measure([&] {
            book = std::make_unique<CPhonebook>();
            report = ImportContacts(*book, vcfPath, false);
        });
        if (!report.ok) {
            std::printf("%s\n", report.error.c_str());
            return 1;
        }

        // The steps of an import, one by one.
        WriteFile(dir + "/phonebook.txt", phonebook);
        book = std::make_unique<CPhonebook>();
        ContactFile file;
        ContactEntries taken;
        read.Measure([&] {
            std::string text;
            ReadImportFile(vcfPath, text);
            PrepareImportText(text);
            file = ReadVCard(text);
        });
        convert.Measure([&] { taken = ToPhonebookEntries(file.records, 0); });
        merge.Measure([&] { book->MergeEntries(taken.entries, false); });
    }
    std::printf("%s\n", report.Summary().c_str());
    Print("ImportContacts (store loaded)", loaded);
    Print("new store + ImportContacts", fromNothing);
    Print("  read and parse the file", read);
    Print("  records to entries", convert);
    Print("  MergeEntries (Load, Save)", merge);

    unlink(vcfPath.c_str());
    unlink((dir + "/phonebook.txt").c_str());
    rmdir(folder);
    return 0;
}
