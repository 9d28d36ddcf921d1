#include "phonebook/ListCell.h"

#include "platform/ListCtrl.h"

void SetListCell(platform::CListCtrl& list, const std::string& text, int item, int subItem) {
    // The control keeps any length and never interprets the text, so it goes in whole.
    if (subItem <= 0)
        list.InsertItem(item, text);
    else
        list.SetItemText(item, subItem, text);
}
