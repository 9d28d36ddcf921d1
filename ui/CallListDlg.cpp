#include "ui/CallListDlg.h"

#include "resources/Resources.h"

#include "ui_CallListDlg136.h"

#include "ui/ListCell.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialog.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "ui/NumberActions.h"
#include "ui/PhonebookDlg.h"
#include "ui/WorkArea.h"
#include "calllog/CallLogRecord.h"
#include "calllog/HistoryExport.h"
#include "line/CallNumbers.h"
#include "phonebook/LookupWords.h"
#include "platform/Cp1252.h"
#include "platform/FileLocations.h"

#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>

namespace {
constexpr int kIdList = 1007;
constexpr int kIdOk = 1;
constexpr int kIdFilter = 1030;
constexpr int kIdExport = 1031;
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
    m_filter = qobject_cast<QLineEdit*>(ui::FindControl(this, kIdFilter));
    Q_ASSERT(m_list && m_filter);
}

bool CCallListDlg::OnInitDialog() {
    // Icon 147, large and small; without it the window keeps the default icon.
    if (const QIcon icon = LoadIconResource(147); !icon.isNull())
        setWindowIcon(icon);

    // Grid lines only: rows are not highlighted across their full width.
    m_list->SetGridLines(true);
    m_list->SetFullRowSelect(false);

    m_list->InsertColumn(0, tr("Date"), 100);
    m_list->InsertColumn(1, tr("Numéro"), 80);
    //: The column of the numbers called (the line's multiple subscriber numbers).
    m_list->InsertColumn(2, tr("MSN"), 80);
    m_list->InsertColumn(3, tr("Nom"), 170);

    LoadCallLog();

    connect(m_filter, &QLineEdit::textChanged, this, &CCallListDlg::OnFilterChanged);
    m_filter->installEventFilter(this);
    if (auto* exportButton = qobject_cast<QPushButton*>(ui::FindControl(this, kIdExport)))
        connect(exportButton, &QPushButton::clicked, this, &CCallListDlg::OnExport);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CCallListDlg::OnListContextMenu);

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
    // The log keeps the called numbers as the line gave them; their labels are shown as they
    // are now.
    m_labels = line::CalledLabels::Stored();
    m_list->SetRedraw(false);
    CallLogLineReader reader(GetCallLogPath());
    std::string line;
    while (reader.Next(line)) {
        CallLogFields fields = SplitCallLogLine(line);
        AddCallRow(std::move(fields[0]), std::move(fields[1]), std::move(fields[2]),
                   std::move(fields[3]));
    }
    m_list->SetRedraw(true);

    if (reader.Failed())
        ui::ShowMessageBox(tr("Erreur lors de la lecture du logfile !!"), {},
                           platform::MsgIcon::Error, platform::MsgButtons::Ok, this);
}

void CCallListDlg::AddCallRow(std::string date, std::string number, std::string msn,
                              std::string name) {
    // "Anonyme", "Inconnu" and the like read in the program's language, and are found so.
    const auto shown = [](const std::string& text) {
        return platform::ToCp1252(ShownWord(platform::FromCp1252(text))).value_or(text);
    };
    number = shown(number);
    name = shown(name);
    int row = m_list->GetItemCount();
    SetListCell(*m_list, date, row, 0);
    SetListCell(*m_list, number, row, 1);
    SetListCell(*m_list, line::CalledText(msn, m_labels.Find(msn)), row, 2);
    SetListCell(*m_list, name, row, 3);
    m_search.Add(number, name);
}

void CCallListDlg::OnFilterChanged() {
    const QString typed = m_filter->text();
    if (typed.trimmed().isEmpty())
        m_list->ShowAllItems();
    else
        m_list->ShowOnlyItems(m_search.Matching(typed));
    // The selected call stays in view; else, as at opening, the newest one.
    const int selected = m_list->GetSelectionMark();
    m_list->EnsureVisible(selected >= 0 ? selected : m_list->GetItemCount() - 1);
}

void CCallListDlg::OnExport() {
    const QString file =
        //: The file name proposed for the call history's export.
        ui::GetSaveFileName(this, tr("Exporter la liste des appels"), tr("appels.csv"),
                            {tr("Fichiers CSV (*.csv)")});
    if (file.isEmpty())
        return;
    const ExportReport report =
        ExportHistory(GetCallLogPath(), QFile::encodeName(file).toStdString());
    if (!report.ok)
        ui::ShowMessageBox(QString::fromStdString(report.error), {}, platform::MsgIcon::Error,
                           platform::MsgButtons::Ok, this);
}

void CCallListDlg::OnListContextMenu(QPoint pos) {
    const QModelIndex at = m_list->indexAt(pos);
    const int row = at.isValid() ? at.row() : m_list->GetSelectionMark();
    if (row < 0)
        return;
    m_list->SetSelectionMark(row);
    const std::string number = m_list->GetItemText(row, 1);
    const std::string name = m_list->GetItemText(row, 3);

    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    ui::AddCopyNumberAction(menu, number);
    QAction* add = menu->addAction(tr("Ajouter à l'annuaire"));
    add->setEnabled(ui::IsCallerNumber(number));
    connect(add, &QAction::triggered, this, [this, number, name] {
        // Queued: the menu is gone before the editor runs.
        QMetaObject::invokeMethod(
            this, [this, number, name] { AddToPhonebook(number, name); }, Qt::QueuedConnection);
    });
    const QPoint where =
        at.isValid() ? pos : m_list->visualRect(m_list->model()->index(row, 0)).center();
    menu->popup(m_list->viewport()->mapToGlobal(where));
}

void CCallListDlg::AddToPhonebook(const std::string& number, const std::string& name) {
    CPhonebookDlg dlg(this);
    // The name column holds what the lookup showed: "Inconnu" and the like are no name.
    dlg.ShowNumber(number,
                   IsLookupWord(StoredWord(platform::FromCp1252(name))) ? std::string() : name);
    dlg.exec();
}

bool CCallListDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter in the filter is no "OK"; Escape empties the filter before it closes.
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true;
        if (key == Qt::Key_Escape && !m_filter->text().isEmpty()) {
            m_filter->clear();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
