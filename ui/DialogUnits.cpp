#include "ui/DialogUnits.h"

#include <QVariant>
#include <QWidget>

namespace ui {

namespace {
// Base units of MS Sans Serif 8 pt at 96 dpi: 6 x 13 pixels for 4 x 8 dialog units.
constexpr int kBaseX = 6;
constexpr int kBaseY = 13;
} // namespace

int DluToPixelsX(int dlu) {
    return (dlu * kBaseX + 2) / 4;
}

int DluToPixelsY(int dlu) {
    return (dlu * kBaseY + 4) / 8;
}

QRect DluToPixels(const QRect& dlu) {
    return QRect(DluToPixelsX(dlu.x()), DluToPixelsY(dlu.y()), DluToPixelsX(dlu.width()),
                 DluToPixelsY(dlu.height()));
}

QSize DluToPixels(const QSize& dlu) {
    return QSize(DluToPixelsX(dlu.width()), DluToPixelsY(dlu.height()));
}

void ApplyDialogUnits(QWidget* dialog) {
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        child->setGeometry(DluToPixels(child->geometry()));
    }
    dialog->setFixedSize(DluToPixels(dialog->size()));
}

QWidget* FindControl(QWidget* dialog, int id) {
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        QVariant v = child->property("ctrlId");
        if (v.isValid() && v.toInt() == id)
            return child;
    }
    return nullptr;
}

} // namespace ui
