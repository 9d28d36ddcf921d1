#pragma once
// The compiled-in resources live in a static library: this pulls them into the program.
// Call once before the first icon is loaded.
void InitTintorelResources();
