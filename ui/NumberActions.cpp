#include "ui/NumberActions.h"

#include "platform/Cp1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include <algorithm>

namespace ui {

bool IsCallerNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void CopyNumber(const std::string& number) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QString text = platform::FromCp1252(number);
    clipboard->setText(text);
    // Middle-click pasting takes the selection.
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
}

QAction* AddCopyNumberAction(QMenu* menu, const std::string& number) {
    QAction* copy = menu->addAction(QStringLiteral("Copier le numéro"));
    copy->setEnabled(IsCallerNumber(number));
    QObject::connect(copy, &QAction::triggered, menu, [number] { CopyNumber(number); });
    return copy;
}

} // namespace ui
