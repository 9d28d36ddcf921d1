#include "ui/ListCell.h"

#include "ui/ListCtrl.h"

void SetListCell(ui::CListCtrl& list, const std::string& text, int item, int subItem) {
    // The control keeps any length and never interprets the text, so it goes in whole.
    if (subItem <= 0)
        list.InsertItem(item, text);
    else
        list.SetItemText(item, subItem, text);
}
