#include "tests/support/UiApplication.h"

#include <QApplication>

namespace testing_support {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tintorel_tests";
    static char* argv[] = {name, nullptr};
    if (!qApp)
        new QApplication(argc, argv);
}

} // namespace testing_support
