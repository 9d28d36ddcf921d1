// "Copier le numéro" on the notification window's number.

#include "tests/window/WindowTestBase.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>

using NumberMenuTest = WindowTestBase;

TEST_F(NumberMenuTest, CopiesTheCallersNumber) {
    // A right click at a point of the window: the menu it pops up, if any.
    const auto rightClick = [&](QPoint at) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, m_dlg->mapToGlobal(at));
        QApplication::sendEvent(m_dlg.get(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    };
    const QRect client = m_dlg->ClientRect();
    const QPoint onNumber = client.topLeft() + QPoint(client.width() / 2, 12);
    const QPoint onTime = client.bottomLeft() + QPoint(40, -8);

    ASSERT_TRUE(RunCall("0791234567", "0441111111"));
    m_dlg->OnTrayOpen();
    EXPECT_EQ(rightClick(onTime), nullptr) << "a menu off the number";
    QMenu* menu = rightClick(onNumber);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Copier le numéro"));
    menu->actions()[0]->trigger();
    menu->close();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("0791234567"));

    ASSERT_TRUE(RunCall("", "0441111111")); // an anonymous caller has none
    m_dlg->OnTrayOpen();
    menu = rightClick(onNumber);
    ASSERT_NE(menu, nullptr);
    EXPECT_FALSE(menu->actions()[0]->isEnabled());
    menu->close();
}
