#include "ui/ContactsImportJob.h"

#include "phonebook/ImportProgress.h"
#include "phonebook/Phonebook.h"

#include <mutex>
#include <utility>

namespace {

std::mutex g_hookMutex;
std::function<void(int)> g_stepHook;

} // namespace

void SetImportStepHook(std::function<void(int thousandths)> hook) {
    std::lock_guard lock(g_hookMutex);
    g_stepHook = std::move(hook);
}

CContactsImportJob::CContactsImportJob(std::string path, bool overwrite, QObject* parent)
    : QObject(parent), m_path(std::move(path)), m_bOverwrite(overwrite) {}

CContactsImportJob::~CContactsImportJob() {
    // The thread's last word is posted to this object, which Qt drops with it.
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
}

void CContactsImportJob::Start() {
    m_thread = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
}

void CContactsImportJob::Cancel() {
    m_thread.request_stop();
}

void CContactsImportJob::Run(std::stop_token stop) {
    std::function<void(int)> hook;
    {
        std::lock_guard lock(g_hookMutex);
        hook = g_stepHook;
    }
    const ImportProgress progress(
        [this, &hook](int thousandths) {
            if (hook)
                hook(thousandths);
            emit Progress(thousandths);
        },
        stop);
    CPhonebook& book = *GetPhonebook();
    ContactsRead read = ReadContacts(m_path, book.GetCountry(), progress);
    if (read.stopped || stop.stop_requested()) {
        m_bCanceled = true;
    } else if (!read.error.empty()) {
        m_report.error = std::move(read.error);
    } else {
        emit Merging();
        m_report = MergeContacts(book, std::move(read.entries), m_bOverwrite);
    }
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_thread.join();
            m_bFinished = true;
            emit Finished();
        },
        Qt::QueuedConnection);
}
