#pragma once
// The compiled-in resources live in a static library: this pulls them into the program.
// Call once before the first icon is loaded.
void InitTintorelResources();

#include <QIcon>

// Icon resource id (128, 137, 141, 142, 145, 147) with all its sizes; null when missing.
QIcon LoadIconResource(int id);
