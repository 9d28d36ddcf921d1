// The user's hands on the window: the caption drag that snaps to corners, the close box,
// Escape and Enter, and the tray icon with its menu.

#include "WindowTestBase.h"

#include "ui/Tray.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <sys/stat.h>

namespace {

class InputTest : public WindowTestBase {
  protected:
    QRect WorkArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

    // Moves the pressed mouse to a global position.
    void DragTo(QPoint global) { QTest::mouseMove(m_dlg.get(), m_dlg->mapFromGlobal(global)); }
};

} // namespace

TEST(CornerGrid, CellsAndPositions) {
    // A work area below a 30-pixel panel.
    const QRect work(0, 30, 1000, 700);
    int x = -1, y = -1;
    EXPECT_TRUE(CornerAt({249, 204}, work, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(0, 0));
    EXPECT_TRUE(CornerAt({999, 729}, work, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(1, 1));
    EXPECT_TRUE(CornerAt({750, 30}, work, x, y));
    EXPECT_EQ(std::pair(x, y), std::pair(1, 0));
    EXPECT_FALSE(CornerAt({250, 100}, work, x, y)); // second column
    EXPECT_FALSE(CornerAt({100, 205}, work, x, y)); // second row
    EXPECT_FALSE(CornerAt({500, 400}, work, x, y)); // the middle
    EXPECT_FALSE(CornerAt({100, 100}, QRect(0, 0, 0, 0), x, y));
    // Over the panel the row is -0.something, which truncates to the top row.
    EXPECT_TRUE(CornerAt({10, 10}, work, x, y));

    // Left and top are the screen's edge; right and bottom the work area's.
    EXPECT_EQ(CornerPosition(work, {290, 111}, 0, 0), QPoint(0, 0));
    EXPECT_EQ(CornerPosition(work, {290, 111}, 1, 1), QPoint(710, 619));
    EXPECT_EQ(CornerPosition(QRect(40, 0, 960, 700), {290, 111}, 1, 0), QPoint(710, 0));
}

TEST_F(InputTest, CaptionDragSnapsToCornersOnly) {
    m_dlg->show();
    m_dlg->MoveToCorner();
    const QRect work = WorkArea();
    const QSize size = m_dlg->frameGeometry().size();
    const QPoint bottomRight(work.right() + 1 - size.width(), work.bottom() + 1 - size.height());
    EXPECT_EQ(m_dlg->pos(), bottomRight);

    const QPoint grip = m_dlg->CaptionRect().center() - QPoint(40, 0);
    QTest::mousePress(m_dlg.get(), Qt::LeftButton, {}, grip);
    // Anywhere outside the corner cells: the window doesn't follow.
    DragTo(work.center());
    EXPECT_EQ(m_dlg->pos(), bottomRight);
    DragTo(QPoint(work.left() + work.width() / 3, work.bottom() - 5));
    EXPECT_EQ(m_dlg->pos(), bottomRight);
    // The top-left cell: it jumps to x 0, y 0.
    DragTo(work.topLeft() + QPoint(5, 5));
    EXPECT_EQ(m_dlg->pos(), QPoint(0, 0));
    EXPECT_EQ(m_state.CornerX(), 0);
    EXPECT_EQ(m_state.CornerY(), 0);
    // The top-right cell.
    DragTo(QPoint(work.right() - 5, work.top() + 5));
    EXPECT_EQ(m_dlg->pos(), QPoint(work.right() + 1 - size.width(), 0));
    QTest::mouseRelease(m_dlg.get(), Qt::LeftButton, {}, m_dlg->mapFromGlobal(QCursor::pos()));

    // Without a press on the caption, moving the mouse does nothing.
    DragTo(work.topLeft() + QPoint(5, 5));
    EXPECT_EQ(m_dlg->pos(), QPoint(work.right() + 1 - size.width(), 0));
    // A press in the client area doesn't drag either.
    QTest::mousePress(m_dlg.get(), Qt::LeftButton, {}, m_dlg->ClientRect().center());
    DragTo(work.bottomLeft() + QPoint(5, -5));
    EXPECT_EQ(m_dlg->pos(), QPoint(work.right() + 1 - size.width(), 0));
    QTest::mouseRelease(m_dlg.get(), Qt::LeftButton, {}, m_dlg->ClientRect().center());

    // The chosen corner is kept for later showings.
    m_dlg->hide();
    m_dlg->OnTrayOpen();
    EXPECT_EQ(m_dlg->pos(), QPoint(work.right() + 1 - size.width(), 0));
}

TEST_F(InputTest, CloseBoxHidesOnly) {
    m_dlg->OnTrayOpen();
    ASSERT_TRUE(m_dlg->isVisible());
    const QPoint box = m_dlg->CloseBoxRect().center();
    // Pressed on the box but released elsewhere: nothing.
    QTest::mousePress(m_dlg.get(), Qt::LeftButton, {}, box);
    QTest::mouseRelease(m_dlg.get(), Qt::LeftButton, {}, m_dlg->ClientRect().center());
    EXPECT_TRUE(m_dlg->isVisible());
    QTest::mouseClick(m_dlg.get(), Qt::LeftButton, {}, box);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->IsDestroyed());
    EXPECT_TRUE(m_state.AutoHide());
    EXPECT_EQ(m_state.HideCountdown(), line::kHideIdle);

    // The window manager's close request is a close request too.
    m_dlg->OnTrayOpen();
    EXPECT_FALSE(m_dlg->close());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->IsDestroyed());
    EXPECT_TRUE(m_state.AutoHide());
}

TEST_F(InputTest, EnterOnAFocusedButtonClicksItEscapeEnds) {
    m_dlg->OnTrayOpen();
    QStringList opened;
    auto closeDialogSoon = [&] {
        QTimer::singleShot(300, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened << QString::fromLatin1(modal->metaObject()->className());
                modal->close();
            }
        });
    };
    QPushButton* list = m_dlg->Button(CCallPopupDlg::IDC_CALLLIST);
    closeDialogSoon();
    QTest::mouseClick(list, Qt::LeftButton);
    QPushButton* book = m_dlg->Button(CCallPopupDlg::IDC_PHONEBOOK);
    closeDialogSoon();
    QTest::mouseClick(book, Qt::LeftButton);
    QPushButton* about = m_dlg->Button(CCallPopupDlg::IDC_ABOUT);
    closeDialogSoon();
    QTest::mouseClick(about, Qt::LeftButton);
    EXPECT_EQ(opened, (QStringList{QStringLiteral("CCallListDlg"), QStringLiteral("CPhonebookDlg"),
                                   QStringLiteral("CAboutDlg")}));

    // The about button has the focus now: Enter clicks it again.
    ASSERT_EQ(m_dlg->focusWidget(), about);
    closeDialogSoon();
    QTest::keyClick(m_dlg.get(), Qt::Key_Return);
    EXPECT_EQ(opened.size(), 4);
    EXPECT_FALSE(m_dlg->IsDestroyed());

    QTest::keyClick(m_dlg.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_dlg->IsDestroyed());
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_FALSE(m_dlg->Tray()->Icon()->isVisible());
}

TEST_F(InputTest, EnterWithoutFocusedButtonEnds) {
    m_dlg->OnTrayOpen();
    ASSERT_EQ(m_dlg->focusWidget(), nullptr);
    QTest::keyClick(m_dlg.get(), Qt::Key_Enter);
    EXPECT_TRUE(m_dlg->IsDestroyed());
    EXPECT_FALSE(m_dlg->isVisible());
}

TEST_F(InputTest, TrayIconAndMenu) {
    m_dlg->Tray()->Add();
    QSystemTrayIcon* icon = m_dlg->Tray()->Icon();
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Tintorel"));
    EXPECT_FALSE(icon->icon().isNull());
    EXPECT_TRUE(icon->isVisible());

    // Menu 134.
    std::unique_ptr<QMenu> menu(CTrayIcon::LoadMenu134(nullptr));
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Ouvrir"));
    EXPECT_EQ(actions[0]->property("commandId").toInt(), ID_TRAY_OPEN);
    EXPECT_EQ(actions[1]->text(), QStringLiteral("Lignes..."));
    EXPECT_EQ(actions[1]->property("commandId").toInt(), ID_TRAY_LINES);
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[3]->text(), QStringLiteral("Quitter"));
    EXPECT_EQ(actions[3]->property("commandId").toInt(), ID_TRAY_QUIT);
    EXPECT_EQ(menu->defaultAction(), actions[0]);

    // A single click does nothing; a double-click opens and keeps the window.
    m_dlg->Tray()->OnNotify(QSystemTrayIcon::Trigger);
    m_dlg->Tray()->OnNotify(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(m_dlg->isVisible());
    EXPECT_EQ(m_dlg->Tray()->OpenMenu(), nullptr);
    m_state.SetHideCountdown(4000);
    m_dlg->Tray()->OnNotify(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(m_dlg->isVisible());
    EXPECT_FALSE(m_state.AutoHide());
    EXPECT_EQ(m_state.HideCountdown(), line::kHideIdle);
    m_dlg->OnCloseRequest();

    // The context click pops the menu up; closing it without a choice does nothing.
    m_dlg->Tray()->OnNotify(QSystemTrayIcon::Context);
    QPointer<QMenu> popup = m_dlg->Tray()->OpenMenu();
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->isVisible());
    popup->close();
    QTest::qWait(50);
    EXPECT_FALSE(popup); // gone after use
    EXPECT_FALSE(m_dlg->isVisible());

    // "Ouvrir".
    m_dlg->Tray()->ShowMenu(QPoint(100, 100));
    popup = m_dlg->Tray()->OpenMenu();
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->pos(), QPoint(100, 100));
    popup->actions().value(0)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg->isVisible(); }, 2000));
    EXPECT_FALSE(m_state.AutoHide());

    // "Quitter", even while the window is hidden.
    m_dlg->OnCloseRequest();
    m_dlg->Tray()->ShowMenu(QPoint(100, 100));
    popup = m_dlg->Tray()->OpenMenu();
    ASSERT_TRUE(popup);
    popup->actions().value(3)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg->IsDestroyed(); }, 2000));
    EXPECT_FALSE(icon->isVisible());
}
