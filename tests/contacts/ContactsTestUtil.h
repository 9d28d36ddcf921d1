#pragma once
// Imports and exports through real files in the test's own folder.

#include "phonebook/ContactsTransfer.h"
#include "tests/phonebook_store/PhonebookStoreTestUtil.h"
#include "tests/support/TestEnv.h"

#include <map>
#include <string>

using Map = std::map<std::string, std::string>;

// Writes bytes to name in the test's folder and imports that file.
inline ImportReport ImportBytes(CPhonebook& book, const testing_support::TestEnv& env,
                                const std::string& name, const std::string& bytes,
                                bool overwrite = false) {
    env.WriteFile(name, bytes);
    return ImportContacts(book, env.Path(name), overwrite);
}
