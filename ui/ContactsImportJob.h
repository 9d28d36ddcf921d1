#pragma once
// A contacts import of the phonebook editor, on a thread of its own: the file is read and
// checked without the store's lock while the windows keep painting and calls are shown; only
// the final merge and its one save take the lock, for a moment. Cancel gives the import up,
// leaving the phonebook as it was, until that merge begins; from then on the import completes.

#include "phonebook/ContactsTransfer.h"

#include <QObject>

#include <functional>
#include <string>
#include <thread>

class CContactsImportJob : public QObject {
    Q_OBJECT
  public:
    // path as the file system spells it.
    CContactsImportJob(std::string path, bool overwrite, QObject* parent = nullptr);
    // Gives the import up and waits for its thread (for a moment, should it be merging).
    ~CContactsImportJob() override;

    void Start();
    void Cancel();

    // Once Finished: whether the import was given up, else what it did.
    bool IsFinished() const { return m_bFinished; }
    bool Canceled() const { return m_bCanceled; }
    const ImportReport& Report() const { return m_report; }

  signals:
    // The part of the import done, in thousandths.
    void Progress(int thousandths);
    // The merge into the phonebook began: the import can no longer be given up.
    void Merging();
    void Finished();

  private:
    void Run(std::stop_token stop);

    std::string m_path;
    bool m_bOverwrite;
    // Written by the import's thread, read once it was joined.
    ImportReport m_report;
    bool m_bCanceled = false;
    bool m_bFinished = false;
    std::jthread m_thread;
};

// Test hook: called on the import's thread at every step of progress, before the editor hears
// of it; it may hold the import there. Empty removes it.
void SetImportStepHook(std::function<void(int thousandths)> hook);
