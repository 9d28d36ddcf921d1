#include "ui/CallListDlg.h"

#include "resources/Resources.h"

#include "ui_CallListDlg136.h"

#include "ui/ListCell.h"
#include "ui/DialogUnits.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "ui/WorkArea.h"
#include "calllog/CallLogRecord.h"
#include "platform/FileLocations.h"

#include <QIcon>
#include <QPixmap>

#include <cstdio>

namespace {
constexpr int kIdList = 1007;
constexpr int kIdOk = 1;
} // namespace

CCallListDlg::CCallListDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CallListDlg136>()) {
    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);
    DoDataExchange();
    OnInitDialog();
}

CCallListDlg::~CCallListDlg() = default;

void CCallListDlg::DoDataExchange() {
    m_list = qobject_cast<ui::CListCtrl*>(ui::FindControl(this, kIdList));
    Q_ASSERT(m_list);
}

bool CCallListDlg::OnInitDialog() {
    // Icon 147, large and small; without it the window keeps the default icon.
    if (const QIcon icon = LoadIconResource(147); !icon.isNull())
        setWindowIcon(icon);

    // Grid lines only: rows are not highlighted across their full width.
    m_list->SetGridLines(true);
    m_list->SetFullRowSelect(false);

    m_list->InsertColumn(0, QStringLiteral("Date"), 100);
    m_list->InsertColumn(1, QStringLiteral("Numéro"), 80);
    m_list->InsertColumn(2, QStringLiteral("MSN"), 80);
    m_list->InsertColumn(3, QStringLiteral("Nom"), 170);

    LoadCallLog();

    // The writer appends, so the last row is the newest call.
    int count = m_list->GetItemCount();
    if (count > 0)
        m_list->EnsureVisible(count - 1);

    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    PlaceWindow();

    // The first tab stop takes the focus.
    if (QWidget* ok = ui::FindControl(this, kIdOk))
        ok->setFocus();
    return true;
}

void CCallListDlg::PlaceWindow() {
    // Only the work area's right and bottom edges count; the size is the whole window's,
    // frame included, which the window system knows once the window exists.
    create();
    const QRect workArea = ui::GetWorkArea();
    QSize size = frameGeometry().size();
    int right = workArea.x() + workArea.width();
    int bottom = workArea.y() + workArea.height();
    move((right - size.width()) / 2, (bottom - size.height()) / 2);
}

void CCallListDlg::LoadCallLog() {
    bool failed = false;
    m_list->SetRedraw(false);
    if (std::FILE* file = std::fopen(GetCallLogPath(), "rb")) {
        CallLogLineReader reader(file);
        std::string line;
        while (reader.Next(line)) {
            CallLogFields fields = SplitCallLogLine(line);
            AddCallRow(std::move(fields[0]), std::move(fields[1]), std::move(fields[2]),
                       std::move(fields[3]));
        }
        failed = reader.Failed();
        std::fclose(file);
    } else {
        failed = true;
    }
    m_list->SetRedraw(true);

    if (failed)
        ui::ShowMessageBox(QStringLiteral("Erreur lors de la lecture du logfile !!"), {},
                           platform::MsgIcon::Error, platform::MsgButtons::Ok, this);
}

void CCallListDlg::AddCallRow(std::string date, std::string number, std::string msn,
                              std::string name) {
    int row = m_list->GetItemCount();
    SetListCell(*m_list, date, row, 0);
    SetListCell(*m_list, number, row, 1);
    SetListCell(*m_list, msn, row, 2);
    SetListCell(*m_list, name, row, 3);
}
