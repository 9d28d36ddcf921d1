#include "line/LineSupervisor.h"

#include <algorithm>
#include <cstddef>

namespace line {

namespace {

// Shared with the sources' callbacks, which may come after the supervisor is gone. The
// answer waits until every source has been started, so no source starts after it.
class Readiness {
  public:
    Readiness(std::function<void(bool)> ready, std::size_t sources)
        : m_ready(std::move(ready)), m_pending(sources) {}

    void Started(bool brings) {
        std::unique_lock lock(m_mutex);
        if (brings)
            m_any = true;
        else if (m_pending > 0)
            --m_pending;
        Decide(lock);
    }
    void AllStarted() {
        std::unique_lock lock(m_mutex);
        m_starting = false;
        Decide(lock);
    }

  private:
    void Decide(std::unique_lock<std::mutex>& lock) {
        if (m_told || m_starting || (!m_any && m_pending > 0))
            return;
        m_told = true;
        const bool any = m_any;
        lock.unlock();
        if (m_ready)
            m_ready(any);
    }

    std::mutex m_mutex;
    std::function<void(bool)> m_ready;
    std::size_t m_pending;
    bool m_any = false;
    bool m_starting = true;
    bool m_told = false;
};

} // namespace

LineSupervisor::~LineSupervisor() {
    Stop();
}

void LineSupervisor::Add(std::unique_ptr<LineSource> source) {
    std::lock_guard lock(m_mutex);
    const auto same = std::find_if(m_sources.begin(), m_sources.end(),
                                   [&](const auto& s) { return s->Kind() == source->Kind(); });
    if (same != m_sources.end())
        *same = std::move(source);
    else
        m_sources.push_back(std::move(source));
}

void LineSupervisor::Start(std::function<void(bool anyLine)> ready) {
    std::vector<LineSource*> sources;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& source : m_sources)
            sources.push_back(source.get());
    }
    auto readiness = std::make_shared<Readiness>(std::move(ready), sources.size());
    // Outside the lock: a source may report, and be asked its status, while it starts.
    for (LineSource* source : sources)
        source->Start([readiness](bool brings) { readiness->Started(brings); });
    readiness->AllStarted();
}

void LineSupervisor::Stop() {
    std::vector<LineSource*> sources;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& source : m_sources)
            sources.push_back(source.get());
    }
    for (LineSource* source : sources)
        source->Stop();
}

std::vector<LineStatus> LineSupervisor::Statuses() const {
    std::lock_guard lock(m_mutex);
    std::vector<LineStatus> statuses;
    for (const auto& source : m_sources)
        statuses.push_back(source->Status());
    return statuses;
}

LineSource* LineSupervisor::Find(Source kind) const {
    std::lock_guard lock(m_mutex);
    for (const auto& source : m_sources) {
        if (source->Kind() == kind)
            return source.get();
    }
    return nullptr;
}

LineSupervisor& Lines() {
    static auto* lines = new LineSupervisor;
    return *lines;
}

} // namespace line
