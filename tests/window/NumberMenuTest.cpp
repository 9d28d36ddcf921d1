// "Copier le numéro" on the notification window's number.

#include "tests/window/WindowTestBase.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

namespace {

class NumberMenuTest : public WindowTestBase {
  protected:
    // A right click at a point of the window; the menu it pops up, if any.
    QMenu* RightClick(QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_dlg->mapToGlobal(at));
        QApplication::sendEvent(m_dlg.get(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // The middle of the number's line and of the time's, as OnPaint places them.
    QPoint OnNumber() {
        return m_dlg->ClientRect().topLeft() + QPoint(m_dlg->ClientRect().width() / 2, 12);
    }
    QPoint OnTime() { return m_dlg->ClientRect().bottomLeft() + QPoint(40, -8); }
};

} // namespace

TEST_F(NumberMenuTest, CopiesTheCallersNumber) {
    ASSERT_TRUE(RunCall("0791234567", "0441111111"));
    m_dlg->OnTrayOpen();
    EXPECT_EQ(RightClick(OnTime()), nullptr) << "a menu off the number";

    QMenu* menu = RightClick(OnNumber());
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copier le numéro"));
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0791234567"));

    // An anonymous caller has none.
    ASSERT_TRUE(RunCall("", "0441111111"));
    m_dlg->OnTrayOpen();
    menu = RightClick(OnNumber());
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    menu->close();
}
