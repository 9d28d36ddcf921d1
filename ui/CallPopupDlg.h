#pragma once
// The notification window: a small black always-on-top window in a corner of the work area
// with the last caller's number and name, the time and the called number. It is the program's
// only main window; its start sequence and its destruction are the program's start and end.

#include <QDialog>
#include <QIcon>

#include <functional>
#include <memory>

namespace line {
class CallView;
class LineSupervisor;
class NotificationState;
} // namespace line

namespace Ui {
class CallPopupDlg102;
}
class QEventLoop;
class QPainter;
class QPushButton;
class QTimer;
class CTrayIcon;

class CCallPopupDlg : public QDialog {
    Q_OBJECT
  public:
    // Control ids of template 102.
    static constexpr int IDC_CALLLIST = 1006;
    static constexpr int IDC_PHONEBOOK = 1016;
    static constexpr int IDC_ABOUT = 1015;

    // The window draws its own caption and frame around the template's client area.
    static constexpr int kFrame = 1;
    static constexpr int kCaptionHeight = 18;

    // The state is shared with the incoming-call handler and outlives the window, like the
    // owner of the lines, whose states the window shows.
    CCallPopupDlg(line::NotificationState& state, line::LineSupervisor& lines,
                  QWidget* parent = nullptr);
    ~CCallPopupDlg() override;

    // The modal run: the start sequence, then events until the window is destroyed.
    int DoModal();
    // The start sequence up to the lines; true (the framework sets the focus). The rest follows
    // in OnLinesReady once the lines have said whether there is one.
    bool OnInitDialog();
    // The end of the start sequence: without any line, the CAPI message and the end of the
    // program; else the window shown for a second.
    void OnLinesReady(bool anyLine);
    // Ends the window once: runs the shutdown and ends the modal run (and, for the modal run
    // of the program, every event loop, so an open message box can't keep it alive).
    void DestroyWindow();
    bool IsDestroyed() const { return m_bDestroyed; }

    // Places the window in its corner and on top, leaving the keyboard where it is.
    void MoveToCorner();
    // The close box (or a close request from the window manager): hide, back to auto-hide.
    void OnCloseRequest();
    // Tray "Ouvrir" and double-click: show, place, and stay until closed.
    void OnTrayOpen();
    // Tray "Quitter".
    void OnTrayQuit();
    // The drag of the caption, with the cursor at a global position.
    void OnMoving(QPoint cursor);

    // Starts the auto-hide countdown's steps (every 250 ms, on this thread); they pause while
    // there is nothing to count down or hide, and go on when the window is shown again.
    void StartAutoHide();
    // Starts the steps again once started, after a countdown was set or the window shown.
    void ResumeAutoHide();

    line::NotificationState& State() const { return m_state; }
    CTrayIcon* Tray() const { return m_tray; }
    QPushButton* Button(int id) const;

    // Geometry inside the window: the template's client area, the caption, its close box.
    QRect ClientRect() const;
    QRect CaptionRect() const;
    QRect CloseBoxRect() const;

  signals:
    // The start sequence has reached the lines: their owner starts them, and calls
    // OnLinesReady once they have said whether there is one.
    void Initialised();
    // The window is being destroyed: the lines stop.
    void Destroying();

  public slots:
    void OnCallList();
    // Tray "Lignes...": the line sources' states and the call monitor's address.
    void OnLines();
    // A line source changed: the tray's tip names a source that is down.
    void OnLineStatus();
    void OnPhonebook();
    void OnAbout();

  protected:
    void DoDataExchange();
    void OnPaint(QPainter& dc);
    void OnDestroy();

    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void done(int result) override;

  private:
    void PaintCaption(QPainter& painter);
    void OnHideStep();

    line::NotificationState& m_state;
    line::LineSupervisor& m_lines;
    std::unique_ptr<Ui::CallPopupDlg102> m_ui;
    QPushButton* m_btnCallList = nullptr;
    QPushButton* m_btnPhonebook = nullptr;
    QPushButton* m_btnAbout = nullptr;
    QIcon m_hIcon;
    CTrayIcon* m_tray = nullptr;
    QTimer* m_hideTimer = nullptr;
    QTimer* m_lineCountdown = nullptr; // refreshes the tip while a source waits to retry
    QEventLoop* m_loop = nullptr;
    bool m_bDestroyed = false;
    bool m_bLinesReady = false;
    bool m_bAutoHideStarted = false;
    bool m_bDragging = false;
    bool m_bCloseBoxDown = false;
};

// The one notification window (GUI thread only; other threads use RunOnMainWindow).
extern CCallPopupDlg* g_pMainDlg;

// Runs fn on the GUI thread with the notification window, if it still exists and has not been
// destroyed. wait: block until it ran (never call with wait from the GUI thread's own event
// handlers; from the GUI thread fn simply runs at once). Returns false when there is no window.
bool RunOnMainWindow(std::function<void(CCallPopupDlg&)> fn, bool wait);
// Whether the window exists and is on screen (any thread).
bool IsMainWindowShown();
// The notification window as the incoming-call handler sees it: usable from any thread for as
// long as the program runs, doing nothing while there is no window.
line::CallView& MainWindowView();

// The 4 x 4 grid over the work area: true with the corner when the cursor is in a corner cell.
bool CornerAt(QPoint cursor, const QRect& workArea, int& cornerX, int& cornerY);
// Where MoveToCorner puts a window of the given outer size.
QPoint CornerPosition(const QRect& workArea, QSize windowSize, int cornerX, int cornerY);

// Draws one text of the window: Arial at a size in tenths of a point, opaque black
// background, one line, clipped to the box.
void DrawFieldText(const QString& text, QPainter& dc, const QColor& colour, int tenths,
                   const QRect& box, int alignment);
