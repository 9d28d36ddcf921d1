#pragma once
// Dialog templates give positions and sizes in dialog units (font MS Sans Serif 8 pt).
// The .ui files keep those units; this converts them to pixels, once, when a dialog is built.

#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// Horizontal: 4 units = one average character width (6 px); vertical: 8 units = 13 px.
int DluToPixelsX(int dlu);
int DluToPixelsY(int dlu);
QRect DluToPixels(const QRect& dlu);
QSize DluToPixels(const QSize& dlu);

// Converts the geometry of every child widget (and the dialog's own size) from dialog units
// to pixels. Call once, right after setupUi.
void ApplyDialogUnits(QWidget* dialog);

// The control with the given template id (the "ctrlId" dynamic property set in the .ui file).
QWidget* FindControl(QWidget* dialog, int id);

} // namespace ui
