#include "ui/CallPopupDlg.h"

#include "ui_CallPopupDlg102.h"

#include "calllog/CallLog.h"
#include "calllog/LogOwner.h"
#include "line/CallView.h"
#include "line/LineSupervisor.h"
#include "line/Notification.h"
#include "phonebook/LookupWords.h"
#include "phonebook/Phonebook.h"
#include "platform/Cp1252.h"
#include "resources/Resources.h"
#include "ui/AboutDlg.h"
#include "ui/CallListDlg.h"
#include "ui/DialogUnits.h"
#include "ui/LineStatusSignal.h"
#include "ui/LineTexts.h"
#include "ui/LinesDlg.h"
#include "ui/MessageBox.h"
#include "ui/NumberActions.h"
#include "ui/PhonebookDlg.h"
#include "ui/Tray.h"
#include "ui/WorkArea.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <atomic>

CCallPopupDlg* g_pMainDlg = nullptr;

namespace {

// Lives on the GUI thread and is never destroyed, so the line side can always post to it; it
// hands the work to the window only while the window exists.
class CWindowBridge : public QObject {
  public:
    QPointer<CCallPopupDlg> m_window;
};

// The incoming-call handler's view of the window; every request waits until it was done.
class CWindowView : public line::CallView {
  public:
    void ShowInCorner() override {
        RunOnMainWindow(
            [](CCallPopupDlg& window) {
                window.show();
                window.MoveToCorner();
                window.ResumeAutoHide(); // the handler may have set a countdown
            },
            true);
    }
    void ShowAndRepaint() override {
        RunOnMainWindow(
            [](CCallPopupDlg& window) {
                window.show();
                window.MoveToCorner();
                window.repaint();
                window.ResumeAutoHide();
            },
            true);
    }
};

std::atomic<CWindowBridge*> g_bridge{nullptr};
// The window exists and has not been destroyed (read by the other threads).
std::atomic<bool> g_bWindowAlive{false};
// The window is on screen (read by the auto-hide loop).
std::atomic<bool> g_bWindowShown{false};

// Windows RECT (left, top, right, bottom) with exclusive right and bottom.
QRect Box(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

} // namespace

bool RunOnMainWindow(std::function<void(CCallPopupDlg&)> fn, bool wait) {
    CWindowBridge* bridge = g_bridge.load();
    if (!bridge || !g_bWindowAlive.load())
        return false;
    auto task = [bridge, fn = std::move(fn)] {
        CCallPopupDlg* window = bridge->m_window.data();
        if (window && !window->IsDestroyed())
            fn(*window);
    };
    if (QThread::currentThread() == bridge->thread()) {
        task();
        return true;
    }
    return QMetaObject::invokeMethod(bridge, std::move(task),
                                     wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

bool IsMainWindowShown() {
    return g_bWindowAlive.load() && g_bWindowShown.load();
}

line::CallView& MainWindowView() {
    static auto* view = new CWindowView;
    return *view;
}

bool CornerAt(QPoint cursor, const QRect& workArea, int& cornerX, int& cornerY) {
    const int width = workArea.width();
    const int height = workArea.height();
    if (width <= 0 || height <= 0)
        return false;
    // Integer division truncates toward zero, as the grid rule wants.
    const int col = (4 * (cursor.x() - workArea.left())) / width;
    const int row = (4 * (cursor.y() - workArea.top())) / height;
    if ((col != 0 && col != 3) || (row != 0 && row != 3))
        return false;
    cornerX = col / 3;
    cornerY = row / 3;
    return true;
}

QPoint CornerPosition(const QRect& workArea, QSize windowSize, int cornerX, int cornerY) {
    // Left and top mean the screen's edge (0), not the work area's.
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return QPoint(cornerX * (right - windowSize.width()), cornerY * (bottom - windowSize.height()));
}

void DrawFieldText(const QString& text, QPainter& dc, const QColor& colour, int tenths,
                   const QRect& box, int alignment) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    // Point sizes at 96 dpi, like the template's pixel geometry, rounded to the nearest pixel
    // as the device does it: 20, 16 and 10 pt are 27, 21 and 13 pixels.
    font.setPixelSize((tenths * 96 + 360) / 720);
    dc.save();
    dc.setFont(font);
    dc.setBackgroundMode(Qt::OpaqueMode);
    dc.setBackground(Qt::black);
    dc.setPen(colour);
    dc.setClipRect(box);
    dc.drawText(box, alignment | Qt::TextSingleLine, text);
    dc.restore();
}

CCallPopupDlg::CCallPopupDlg(line::NotificationState& state, line::LineSupervisor& lines,
                             QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_state(state), m_lines(lines), m_ui(std::make_unique<Ui::CallPopupDlg102>()) {
    g_pMainDlg = this;
    if (!g_bridge.load())
        g_bridge.store(new CWindowBridge);
    g_bridge.load()->m_window = this;
    g_bWindowAlive.store(true);

    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);
    // The template gives the client area; the caption and the frame come around it.
    const QSize client = size();
    const QPoint offset = QPoint(kFrame, kFrame + kCaptionHeight);
    for (QPushButton* button : findChildren<QPushButton*>(Qt::FindDirectChildrenOnly))
        button->move(button->pos() + offset);
    setFixedSize(client.width() + 2 * kFrame, client.height() + kCaptionHeight + 2 * kFrame);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // A call or the showing at start must not take the keyboard from the window the user is
    // typing in: Enter there would end the program. A click, or "Ouvrir", activates it.
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Placed before it is first shown, so it never flashes up where the framework would put it.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(CornerPosition(screen->availableGeometry(), size(), m_state.CornerX(),
                            m_state.CornerY()));

    DoDataExchange();
    connect(m_btnCallList, &QPushButton::clicked, this, &CCallPopupDlg::OnCallList);
    connect(m_btnPhonebook, &QPushButton::clicked, this, &CCallPopupDlg::OnPhonebook);
    connect(m_btnAbout, &QPushButton::clicked, this, &CCallPopupDlg::OnAbout);

    ui::SetMessageBoxMainWindow(this);
    SetLogOwnerChangedHook([] {
        // The role letter changes from "S" to "M": repaint now.
        RunOnMainWindow([](CCallPopupDlg& window) { window.repaint(); }, true);
    });
    m_tray = new CTrayIcon(this);
    connect(m_tray, &CTrayIcon::OpenRequested, this, &CCallPopupDlg::OnTrayOpen);
    connect(m_tray, &CTrayIcon::QuitRequested, this, &CCallPopupDlg::OnTrayQuit);
    connect(m_tray, &CTrayIcon::LinesRequested, this, &CCallPopupDlg::OnLines);
    connect(&LineStatusSignal(), &CLineStatusSignal::Changed, this, &CCallPopupDlg::OnLineStatus);
    m_lineCountdown = new QTimer(this);
    m_lineCountdown->setInterval(1000);
    connect(m_lineCountdown, &QTimer::timeout, this, &CCallPopupDlg::OnLineStatus);
    m_hideTimer = new QTimer(this);
    m_hideTimer->setInterval(line::kHideStep);
    connect(m_hideTimer, &QTimer::timeout, this, &CCallPopupDlg::OnHideStep);
}

CCallPopupDlg::~CCallPopupDlg() {
    if (!m_bDestroyed)
        DestroyWindow();
    SetLogOwnerChangedHook({});
    ui::SetMessageBoxMainWindow(nullptr);
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

void CCallPopupDlg::DoDataExchange() {
    m_btnCallList = qobject_cast<QPushButton*>(ui::FindControl(this, IDC_CALLLIST));
    m_btnPhonebook = qobject_cast<QPushButton*>(ui::FindControl(this, IDC_PHONEBOOK));
    m_btnAbout = qobject_cast<QPushButton*>(ui::FindControl(this, IDC_ABOUT));
    Q_ASSERT(m_btnCallList && m_btnPhonebook && m_btnAbout);
}

QPushButton* CCallPopupDlg::Button(int id) const {
    switch (id) {
    case IDC_CALLLIST:
        return m_btnCallList;
    case IDC_PHONEBOOK:
        return m_btnPhonebook;
    case IDC_ABOUT:
        return m_btnAbout;
    default:
        return nullptr;
    }
}

int CCallPopupDlg::DoModal() {
    OnInitDialog();
    if (m_bDestroyed)
        return result();
    QEventLoop loop;
    m_loop = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_loop = nullptr;
    return result();
}

bool CCallPopupDlg::OnInitDialog() {
    // Log-owner role: another running copy may hold it already.
    if (!TakeLogOwnership())
        g_bLogOwner.store(false);

    GetPhonebook();

    m_hIcon = LoadIconResource(128);
    setWindowIcon(m_hIcon);

    const struct {
        QPushButton* button;
        int icon;
        const char* message;
    } buttonIcons[] = {
        {m_btnCallList, 137, QT_TR_NOOP("Impossible de charger l'icône d'info.")},
        {m_btnPhonebook, 142, QT_TR_NOOP("Impossible de charger l'icône d'annuaire.")},
        {m_btnAbout, 141, QT_TR_NOOP("Impossible de charger l'icône d'à propos de...")},
    };
    for (const auto& entry : buttonIcons) {
        QIcon icon = LoadIconResource(entry.icon);
        if (icon.isNull()) {
            ui::ShowMessageBox(tr(entry.message), {}, ui::MsgIcon::None, ui::MsgButtons::Ok, this);
            continue;
        }
        entry.button->setText(QString());
        entry.button->setIcon(icon);
        entry.button->setIconSize(QSize(16, 16));
    }

    m_tray->Add();

    // Whoever owns the lines starts them now; the rest follows in OnLinesReady.
    emit Initialised();
    return true;
}

void CCallPopupDlg::OnLinesReady(bool anyLine) {
    if (m_bLinesReady || m_bDestroyed)
        return;
    m_bLinesReady = true;
    // Without the CAPI driver and without any other line the program has nothing to do (the
    // driver's text is on standard output all the same).
    if (!anyLine) {
        ui::ShowMessageBox(tr("Impossible de se connecter au driver CAPI."), {}, ui::MsgIcon::Error,
                           ui::MsgButtons::Ok, this);
        DestroyWindow();
        return;
    }

    show();
    MoveToCorner();

    m_state.SetAutoHide(true);
    m_state.SetHideCountdown(1000);
    StartAutoHide();
}

void CCallPopupDlg::StartAutoHide() {
    m_bAutoHideStarted = true;
    ResumeAutoHide();
}

void CCallPopupDlg::ResumeAutoHide() {
    if (m_bAutoHideStarted && !m_bDestroyed && !m_hideTimer->isActive())
        m_hideTimer->start();
}

void CCallPopupDlg::OnHideStep() {
    if (m_state.CountDown() && isVisible())
        hide();
    // Nothing left to count down or to hide: the timer sleeps until the window is shown again,
    // so an idle program doesn't wake four times a second.
    const int left = m_state.HideCountdown();
    if (left <= -line::kHideStep || (left <= 0 && (!m_state.AutoHide() || !isVisible())))
        m_hideTimer->stop();
}

void CCallPopupDlg::DestroyWindow() {
    if (m_bDestroyed)
        return;
    m_bDestroyed = true;
    g_bWindowAlive.store(false);
    SetLogOwnerChannel(nullptr); // the program is ending: a request now finds nobody
    OnDestroy();
    hide();
    if (m_loop) {
        m_loop->exit(result());
        // Nested loops (a message box, a dialog, the tray menu) end too: the program is over.
        QCoreApplication::exit(result());
    }
}

void CCallPopupDlg::OnDestroy() {
    emit Destroying();
    m_hideTimer->stop();
    m_lineCountdown->stop();
    m_tray->Remove();
}

void CCallPopupDlg::done(int result) {
    setResult(result);
    DestroyWindow();
}

void CCallPopupDlg::MoveToCorner() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || !ui::CanPlaceWindows())
        return;
    move(CornerPosition(screen->availableGeometry(), frameGeometry().size(), m_state.CornerX(),
                        m_state.CornerY()));
    raise();
}

void CCallPopupDlg::OnCloseRequest() {
    m_state.SetAutoHide(true);
    m_state.SetHideCountdown(line::kHideIdle);
    hide();
}

void CCallPopupDlg::OnMoving(QPoint cursor) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    int cornerX = 0;
    int cornerY = 0;
    if (!CornerAt(cursor, screen->availableGeometry(), cornerX, cornerY))
        return;
    if (cornerX == m_state.CornerX() && cornerY == m_state.CornerY())
        return;
    m_state.SetCorner(cornerX, cornerY);
    MoveToCorner();
}

QRect CCallPopupDlg::ClientRect() const {
    return QRect(kFrame, kFrame + kCaptionHeight, width() - 2 * kFrame,
                 height() - kCaptionHeight - 2 * kFrame);
}

QRect CCallPopupDlg::CaptionRect() const {
    return QRect(kFrame, kFrame, width() - 2 * kFrame, kCaptionHeight);
}

QRect CCallPopupDlg::CloseBoxRect() const {
    const QRect caption = CaptionRect();
    return QRect(caption.right() - 16, caption.top() + 2, 15, kCaptionHeight - 4);
}

void CCallPopupDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor(128, 128, 128));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    PaintCaption(painter);
    painter.save();
    painter.translate(ClientRect().topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), ClientRect().size()));
    OnPaint(painter);
    painter.restore();
}

void CCallPopupDlg::PaintCaption(QPainter& painter) {
    const QRect caption = CaptionRect();
    QLinearGradient gradient(caption.topLeft(), caption.topRight());
    gradient.setColorAt(0, QColor(0, 0, 128));
    gradient.setColorAt(1, QColor(16, 132, 208));
    painter.fillRect(caption, gradient);

    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(caption.adjusted(2, 0, -20, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     windowTitle());

    const QRect box = CloseBoxRect();
    painter.fillRect(box, QColor(212, 208, 200));
    painter.setPen(QColor(64, 64, 64));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    QPen cross(Qt::black, 2);
    painter.setPen(cross);
    const QRect mark = box.adjusted(4, 3, -5, -4);
    painter.drawLine(mark.topLeft(), mark.bottomRight());
    painter.drawLine(mark.topRight(), mark.bottomLeft());
}

void CCallPopupDlg::OnPaint(QPainter& dc) {
    const int w = ClientRect().width();
    const int h = ClientRect().height();
    const int a = (h - 31) / 2;
    dc.fillRect(QRect(0, 0, w, h), Qt::black);

    const line::DisplayTexts texts = m_state.Texts();
    const int centreTop = Qt::AlignHCenter | Qt::AlignTop;
    // "Anonyme", "Inconnu" and the like are shown in the program's language.
    DrawFieldText(ShownWord(platform::FromCp1252(texts.calling)), dc, Qt::white, 200,
                  Box(7, 7, w - 27, a + 7), centreTop);
    DrawFieldText(ShownWord(platform::FromCp1252(texts.name)), dc, Qt::white, 160,
                  Box(7, a + 9, w - 27, 2 * a + 9), centreTop);
    DrawFieldText(platform::FromCp1252(texts.time), dc, Qt::white, 100,
                  Box(7, h - 20, (w - 34) / 2 + 7, h), centreTop);
    DrawFieldText(platform::FromCp1252(texts.called), dc, Qt::white, 100,
                  Box((w - 34) / 2 + 7, h - 20, w - 27, h), centreTop);
    const bool owner = g_bLogOwner.load();
    DrawFieldText(owner ? QStringLiteral("M") : QStringLiteral("S"), dc,
                  owner ? QColor(0, 255, 0) : QColor(255, 0, 0), 100, Box(0, 0, w, h),
                  Qt::AlignLeft | Qt::AlignTop);
}

void CCallPopupDlg::closeEvent(QCloseEvent* event) {
    // Closing only hides: the program goes on in the tray.
    event->ignore();
    OnCloseRequest();
}

void CCallPopupDlg::contextMenuEvent(QContextMenuEvent* event) {
    // On the caller's number, as OnPaint places it.
    const QRect client = ClientRect();
    const QRect number =
        Box(7, 7, client.width() - 27, (client.height() - 31) / 2 + 7).translated(client.topLeft());
    if (!number.contains(event->pos()))
        return;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    ui::AddCopyNumberAction(menu, m_state.Texts().calling);
    menu->popup(event->globalPos());
}

void CCallPopupDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        done(QDialog::Rejected);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget* focus = focusWidget();
        if (focus && (focus == m_btnCallList || focus == m_btnPhonebook || focus == m_btnAbout)) {
            static_cast<QPushButton*>(focus)->click();
            return;
        }
        done(QDialog::Accepted);
        return;
    }
    default:
        QWidget::keyPressEvent(event);
    }
}

void CCallPopupDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // Not every window manager gives the keyboard to a window it didn't decorate on a click.
    activateWindow();
    const QPoint pos = event->position().toPoint();
    if (CloseBoxRect().contains(pos))
        m_bCloseBoxDown = true;
    else if (CaptionRect().contains(pos))
        m_bDragging = true;
}

void CCallPopupDlg::mouseMoveEvent(QMouseEvent* event) {
    // The window never follows the mouse: it stays, or jumps to the corner under the cursor.
    if (m_bDragging)
        OnMoving(event->globalPosition().toPoint());
}

void CCallPopupDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const bool closeBox = m_bCloseBoxDown && CloseBoxRect().contains(event->position().toPoint());
    m_bDragging = false;
    m_bCloseBoxDown = false;
    if (closeBox)
        OnCloseRequest();
}

void CCallPopupDlg::showEvent(QShowEvent* event) {
    g_bWindowShown.store(true);
    ResumeAutoHide();
    QDialog::showEvent(event);
}

void CCallPopupDlg::hideEvent(QHideEvent* event) {
    g_bWindowShown.store(false);
    QDialog::hideEvent(event);
}

void CCallPopupDlg::OnTrayOpen() {
    show();
    MoveToCorner();
    // Asked for by the user: the window may have the keyboard, for Enter and Escape.
    activateWindow();
    m_state.SetAutoHide(false);
    m_state.SetHideCountdown(line::kHideIdle);
}

void CCallPopupDlg::OnTrayQuit() {
    DestroyWindow();
}

void CCallPopupDlg::OnLines() {
    CLinesDlg dlg(m_lines, this);
    dlg.exec();
}

void CCallPopupDlg::OnLineStatus() {
    if (m_bDestroyed)
        return;
    const std::vector<line::LineStatus> lines = m_lines.Statuses();
    const auto now = ui::Clock::now();
    m_tray->SetToolTip(ui::TrayToolTip(lines, now));
    if (!ui::TipCountingDown(lines, now))
        m_lineCountdown->stop();
    else if (!m_lineCountdown->isActive())
        m_lineCountdown->start();
}

void CCallPopupDlg::OnCallList() {
    CCallListDlg dlg(this);
    dlg.exec();
}

void CCallPopupDlg::OnPhonebook() {
    CPhonebookDlg dlg(this);
    dlg.exec();
}

void CCallPopupDlg::OnAbout() {
    CAboutDlg dlg(this);
    dlg.exec();
}
