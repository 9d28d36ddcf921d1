#pragma once
// The phonebook: number -> name, mirrored in phonebook.txt, plus the directory country and the
// profile of its online directory. One store per process (GetPhonebook). All texts are
// Windows-1252 bytes. Every operation is safe to call from any thread; no lock is held
// across network I/O or message boxes.

#include "phonebook/CanonicalNumber.h"
#include "phonebook/PhonebookMap.h"
#include "platform/FileIdentity.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

// Iteration position over a snapshot of the map; null (false) after the last entry.
struct POSITION {
    std::shared_ptr<const std::vector<std::pair<std::string, std::string>>> snapshot;
    std::size_t index = 0;
    explicit operator bool() const { return snapshot && index < snapshot->size(); }
};

class CPhonebook {
  public:
    CPhonebook();

    // Merges the file into memory. Something in its place that is no phonebook (a folder, a
    // FIFO, a device, a file over 256 MB) is told to the user once, until it reads again, and
    // is never replaced by Save; a missing or forbidden file is passed over in silence.
    void Load();
    void Save();
    void SetEntry(std::string number, std::string name);
    void RemoveEntry(std::string number);
    bool FindEntry(std::string number, std::string& name) const;
    // A caller's entry: the one stored under the digits the line gave, else one whose number
    // has the same canonical form (kind: what the line said of the number).
    bool FindCaller(const std::string& number, NumberKind kind, std::string& name) const;

    // Many entries at once (an import): Load, then each number not yet there is added, and
    // one already there takes the new name only with overwrite; one Save for all. When the
    // save fails the store is as it was and the file untouched. Shows nothing: the caller
    // tells the user.
    struct MergeResult {
        int error = 0; // 0, or the errno of the failed save
        // Entries whose number was there already and kept its stored name: index, that name.
        std::vector<std::pair<std::size_t, std::string>> kept;
    };
    MergeResult MergeEntries(const std::vector<std::pair<std::string, std::string>>& entries,
                             bool overwrite);

    POSITION GetStartPosition() const;
    void GetNextEntry(POSITION& pos, std::string& number, std::string& name) const;
    int GetCountry() const;
    void SetCountry(int country, bool save);

    // Directory lookup (lookup code): the name to show and log for a caller's number. The
    // directory is asked for the canonical form, and a name it gives is stored under it.
    std::string LookupCaller(std::string number, NumberKind kind = NumberKind::AsWritten);
    // The directory asked for the canonical form of number. A stop request gives up the
    // exchange at once (the result is then "Erreur").
    bool LookupOnline(std::string number, std::string& result, std::stop_token stop = {});
    std::uint32_t ReadAutoConnect() const;

    // The directory profile currently installed (a copy, for the lookup and for tests).
    struct Profile {
        std::string host;
        std::string request;
        std::string tableMarker;
        std::string rowMarker;
        int maxRowDistance = 0;
        std::string nameStart;
        std::string nameEnd;
    };
    Profile GetProfile() const;

  private:
    // The caller holds m_mutex; path is computed before taking it (its failure is told in a
    // message box). LoadLocked returns the errno of a file that is there but no phonebook
    // (once, until it can be read again), SaveLocked the errno of the failed step, else 0.
    // The Report functions tell the user, with no lock held.
    int LoadLocked(const std::string& path);
    int SaveLocked(const std::string& path);
    bool SetCountryLocked(int country);
    static void ReportLoadFailure(int error);
    static void ReportSaveFailure(int error);

    mutable std::mutex m_mutex;
    PhonebookMap m_map;
    platform::FileIdentity m_fileSeen; // the file as last read or saved, when vouched for
    int m_unusableTold = 0;            // why the file was last found to be no phonebook
    int m_nCountry = -1;
    std::string m_strHost;
    std::string m_strRequest;
    std::string m_strTableMarker;
    std::string m_strRowMarker;
    int m_nMaxRowDistance = 0;
    std::string m_strNameStart;
    std::string m_strNameEnd;
};

// The single store, created (and loaded) on first use and never destroyed.
CPhonebook* GetPhonebook();
