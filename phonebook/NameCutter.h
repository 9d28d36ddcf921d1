#pragma once
// Finds the caller's name in a directory page with the markers of a directory profile.

#include "phonebook/Phonebook.h"

#include <string>
#include <string_view>

// The name between the profile's markers, tags stripped, entities still encoded; false when the
// markers aren't there in the required order and distance, or a line feed lies in the name.
bool CutName(std::string_view page, const CPhonebook::Profile& profile, std::string& name);
