#pragma once
// How far a contacts import has come, and the request to give it up. The steps of an import
// (reading the file, reading its contacts, checking them) tick now and then on the importing
// thread; a step that is to be given up returns early, and the import then has no result.

#include <QCoreApplication>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <utility>

// The error a step gives when it was given up (no user sees it).
inline std::string ImportStopped() {
    return QCoreApplication::translate("ImportProgress", "importation annulée").toStdString();
}

class ImportProgress {
  public:
    static constexpr int kWhole = 1000;

    // Gets the part of the whole import done so far, in thousandths, each value once.
    using Report = std::function<void(int thousandths)>;

    ImportProgress() = default;
    ImportProgress(Report report, std::stop_token stop)
        : m_state(std::make_shared<State>(State{std::move(report), -1})), m_stop(std::move(stop)) {}

    // The same import as one of its steps sees it: the step covers [from, to) of the whole.
    ImportProgress Step(int from, int to) const {
        ImportProgress step = *this;
        step.m_from = m_from + (m_to - m_from) * from / kWhole;
        step.m_to = m_from + (m_to - m_from) * to / kWhole;
        return step;
    }

    // done of total of this step; true when the import is to be given up.
    bool Tick(std::size_t done, std::size_t total) const {
        if (m_state && m_state->report && total > 0) {
            const double part = static_cast<double>(std::min(done, total)) / total;
            const int now = m_from + static_cast<int>(part * (m_to - m_from));
            if (now > m_state->last) {
                m_state->last = now;
                m_state->report(now);
            }
        }
        return m_stop.stop_requested();
    }

    bool StopRequested() const { return m_stop.stop_requested(); }

  private:
    struct State {
        Report report;
        int last; // the last value reported: the bar never goes back
    };
    std::shared_ptr<State> m_state; // shared by the steps of one import
    std::stop_token m_stop;
    int m_from = 0;
    int m_to = kWhole;
};
