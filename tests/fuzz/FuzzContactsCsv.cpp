// The contacts CSV reader on arbitrary files (see FuzzContactsCommon.h).
#include "phonebook/ContactsCsv.h"
#include "tests/fuzz/FuzzContactsCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckContactReader(
        data, size, [](std::string_view text) { return ReadContactsCsv(text); }, WriteContactsCsv);
    return 0;
}
