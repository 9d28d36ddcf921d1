#pragma once
// The list cell operation shared by the phonebook editor and the call history.

#include <string>

namespace ui {
class CListCtrl;
}

// Sub-item 0 (or less) inserts a new row at item with text as its label; any other sub-item
// sets that cell of row item. The text is shown unchanged and whole.
void SetListCell(ui::CListCtrl& list, const std::string& text, int item, int subItem);
