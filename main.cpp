#include "app/CallerIdApp.h"

int main(int argc, char** argv) {
    return RunTintorel(argc, argv);
}
