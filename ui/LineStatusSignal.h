#pragma once
// The line sources' changes as a Qt signal on the GUI thread, for every window that shows them.

#include <QObject>

class CLineStatusSignal : public QObject {
    Q_OBJECT
  signals:
    // A line source's state changed (or, while one counts down to its next try, a second went by).
    void Changed();
};

// Created on the GUI thread at the first call, and never destroyed: the sources may report
// until the program ends.
CLineStatusSignal& LineStatusSignal();
