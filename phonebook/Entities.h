#pragma once
// Decoding of the Latin-1 character entity references of HTML 4.01 in a name cut from a page.

#include <string>

extern const char* const g_entityNames[96];

// 160 + index of the name in g_entityNames (exact, case-sensitive), 0 when not there.
int LookupEntity(const std::string& name);

// Replaces, in place, each known reference by its character; an unknown one cuts the text.
void DecodeEntities(std::string& text);
