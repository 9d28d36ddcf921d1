#pragma once
// The one owner of the line sources: starts them in the order they were added, keeps them
// while the program runs, stops them at its end, and gives their statuses to the windows. The
// program wires its sources here (app/); nothing else starts or stops one.

#include "line/LineSource.h"

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace line {

class LineSupervisor {
  public:
    LineSupervisor() = default;
    ~LineSupervisor(); // stops the sources
    LineSupervisor(const LineSupervisor&) = delete;
    LineSupervisor& operator=(const LineSupervisor&) = delete;

    // One source of each kind; a second one of a kind replaces the first. Before Start().
    void Add(std::unique_ptr<LineSource> source);

    // Starts every source. ready is called once, on any thread: true as soon as one source
    // brings a line, false once every source has said it brings none.
    void Start(std::function<void(bool anyLine)> ready);
    // Stops every source; returns at once.
    void Stop();

    // One status per source, in the order they were added.
    std::vector<LineStatus> Statuses() const;
    // The source of a kind, or null.
    LineSource* Find(Source kind) const;

  private:
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<LineSource>> m_sources;
};

// The program's owner of the lines; never destroyed, since line threads may still report at
// exit.
LineSupervisor& Lines();

} // namespace line
