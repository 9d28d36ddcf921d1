#pragma once
// Widget tests: the process's one QApplication.

namespace testing_support {

// Creates the QApplication on first call and keeps it for the process's life (ctest runs each
// case in its own process).
void EnsureApplication();

} // namespace testing_support
