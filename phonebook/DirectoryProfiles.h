#pragma once
// The two fixed directory profiles: where a number is looked up and how the name is found in
// the directory's page.

#include "phonebook/Phonebook.h"

// Country 1: the French directory; any other value: the Swiss one.
CPhonebook::Profile DirectoryProfile(int country);
