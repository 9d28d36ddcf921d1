#include "ui/PhonebookDlg.h"

#include "resources/Resources.h"

#include "ui/ListCell.h"
#include "phonebook/ContactsTransfer.h"
#include "phonebook/ImportProgress.h"
#include "phonebook/LookupWords.h"
#include "phonebook/PhoneNumber.h"
#include "phonebook/Phonebook.h"
#include "platform/Cp1252.h"
#include "ui/DialogUnits.h"
#include "ui/FileDialog.h"
#include "ui/ContactsImportJob.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "ui/NumberActions.h"
#include "ui/WorkArea.h"

#include "ui_PhonebookDlg140.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QCoreApplication>

#include <algorithm>
#include <thread>
#include <utility>
#include <vector>

using platform::FromCp1252;
using platform::MsgButtons;
using platform::MsgIcon;
using ui::ShowMessageBox;

namespace {

// The caption of the editor's questions and reports.
QString Caption() {
    return QCoreApplication::translate("CPhonebookDlg", "Tintorel - Annuaire");
}

// A name goes into the file as Windows-1252 bytes on one line: refuse what can't, rather than
// store it mangled or let it split the line.
bool ToStorable(const QString& text, std::string& bytes) {
    if (text.contains(QChar(u'\n')) || text.contains(QChar(u'\r')) || text.contains(QChar(u'\0')))
        return false;
    std::optional<std::string> converted = platform::ToCp1252(text);
    if (!converted)
        return false;
    bytes = std::move(*converted);
    return true;
}

// An import's summary, then what was skipped and why, as far as a box can hold it.
QString ImportSummary(const ImportReport& report) {
    constexpr std::size_t kShown = 20;
    QString text = QString::fromStdString(report.Summary()) + u'.';
    if (!report.skipped.empty())
        text += u'\n';
    for (std::size_t i = 0; i < report.skipped.size() && i < kShown; ++i)
        text += u'\n' + QString::fromStdString(report.skipped[i]);
    if (report.skipped.size() > kShown)
        //: The end of an import's report; %1 is how many more contacts were skipped.
        text += QCoreApplication::translate("CPhonebookDlg", "\n... et %1 autres.")
                    .arg(report.skipped.size() - kShown);
    return text;
}

} // namespace

CPhonebookDlg::CPhonebookDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::PhonebookDlg140>()) {
    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);
    ui::CentreInWorkArea(this);
    OnInitDialog();
}

CPhonebookDlg::~CPhonebookDlg() = default;

bool CPhonebookDlg::OnInitDialog() {
    m_list = qobject_cast<ui::CListCtrl*>(ui::FindControl(this, 1007));
    m_number = qobject_cast<QLineEdit*>(ui::FindControl(this, 1011));
    m_name = qobject_cast<QLineEdit*>(ui::FindControl(this, 1012));
    m_modify = qobject_cast<QPushButton*>(ui::FindControl(this, 1013));

    // A number may be typed as people write it; what is none is refused when it is stored.
    m_name->installEventFilter(this);

    connect(m_modify, &QPushButton::clicked, this, &CPhonebookDlg::OnModify);
    connect(m_ui->restoreButton, &QPushButton::clicked, this, &CPhonebookDlg::OnRestore);
    connect(m_list, &ui::CListCtrl::DoubleClicked, this, &CPhonebookDlg::OnDblclkList);
    connect(m_ui->newNumberButton, &QPushButton::clicked, this, &CPhonebookDlg::OnNewNumber);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CPhonebookDlg::OnDelete);
    connect(m_ui->searchButton, &QPushButton::clicked, this, &CPhonebookDlg::OnSearch);
    connect(m_ui->importButton, &QPushButton::clicked, this, &CPhonebookDlg::OnImport);
    connect(m_ui->exportButton, &QPushButton::clicked, this, &CPhonebookDlg::OnExport);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this, &CPhonebookDlg::OnListContextMenu);

    if (const QIcon icon = LoadIconResource(142); !icon.isNull())
        setWindowIcon(icon);

    m_nCurrent = -1;

    // Grid lines are its only extended style: a selected row is not highlighted across.
    m_list->SetGridLines(true);
    m_list->SetFullRowSelect(false);
    m_list->InsertColumn(0, tr("Numéro"), 90);
    m_list->InsertColumn(1, tr("Nom"), 280);

    RefreshList();
    return true;
}

void CPhonebookDlg::RefreshList() {
    m_list->SetSortAscending(false);
    m_list->DeleteAllItems();

    // Rows are shown sorted by number, the order the list's sort style would give them; the
    // store's own order carries no meaning.
    std::vector<std::pair<std::string, std::string>> entries;
    CPhonebook* phonebook = GetPhonebook();
    for (POSITION pos = phonebook->GetStartPosition(); pos;) {
        std::string number, name;
        phonebook->GetNextEntry(pos, number, name);
        entries.emplace_back(std::move(number), std::move(name));
    }
    std::vector<std::pair<QString, std::size_t>> order;
    order.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        order.emplace_back(FromCp1252(entries[i].first), i);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return QString::localeAwareCompare(a.first, b.first) < 0;
    });

    m_list->SetRedraw(false);
    int row = 0;
    for (const auto& [key, index] : order) {
        SetListCell(*m_list, entries[index].first, row, 0);
        SetListCell(*m_list, entries[index].second, row, 1);
        ++row;
    }
    m_list->SetRedraw(true);
    m_list->SetSortAscending(true);

    // Rows may have moved (an incoming call can add an entry at any time): keep the shown
    // entry's row, or the next double click and the unsaved-edit check would use another row.
    if (m_nCurrent >= 0 && m_number->isReadOnly()) {
        int shown = FindRow(NumberText());
        if (shown >= 0)
            m_nCurrent = shown;
    }

    m_list->viewport()->repaint();
}

void CPhonebookDlg::SelectRow(int row, bool noQuestion) {
    if (row == m_nCurrent)
        return;

    if (row < 0) {
        m_number->setReadOnly(false);
        m_number->clear();
        m_name->clear();
        m_nCurrent = row;
        return;
    }

    // Saving rebuilds the list and may move rows: the row is found again by its number.
    const std::string target = m_list->GetItemText(row, 0);
    if (!noQuestion && m_name->text() != FromCp1252(m_list->GetItemText(m_nCurrent, 1))) {
        int answer = ShowMessageBox(tr("Voulez-vous enregistrer les modifications effectuées ?"),
                                    Caption(), MsgIcon::Question, MsgButtons::YesNoCancel, this);
        if (answer == platform::IDYES) {
            // A name that can't be stored stays in the field, as with Cancel, instead of
            // being dropped after the refusal.
            if (!Modify()) {
                m_list->SetSelectionMark(m_nCurrent);
                return;
            }
            if (int moved = FindRow(target); moved >= 0)
                row = moved;
        } else if (answer != platform::IDNO) {
            m_list->SetSelectionMark(m_nCurrent);
            return;
        }
    }

    m_number->setReadOnly(true);
    m_number->setText(FromCp1252(m_list->GetItemText(row, 0)));
    m_name->setText(FromCp1252(m_list->GetItemText(row, 1)));
    m_nCurrent = row;
}

int CPhonebookDlg::FindRow(const std::string& number) const {
    for (int i = 0; i < m_list->GetItemCount(); ++i)
        if (m_list->GetItemText(i, 0) == number)
            return i;
    return -1;
}

void CPhonebookDlg::SelectNumber(const std::string& number) {
    if (int row = FindRow(number); row >= 0) {
        SelectRow(row, true);
        return;
    }
    //: %1 is a phonebook number that is not in the list.
    ShowMessageBox(tr("%1 Not found ").arg(FromCp1252(number)), {}, MsgIcon::None, MsgButtons::Ok,
                   this);
}

void CPhonebookDlg::OnDblclkList() {
    SelectRow(m_list->GetSelectionMark(), false);
}

void CPhonebookDlg::OnNewNumber() {
    SelectRow(-1, false);
}

void CPhonebookDlg::OnModify() {
    Modify();
}

bool CPhonebookDlg::Modify() {
    if (m_number->text().isEmpty() || m_name->text().isEmpty()) {
        ShowMessageBox(tr("Pas de numéro de téléphone ou de nom"), {}, MsgIcon::None,
                       MsgButtons::Ok, this);
        return true;
    }
    // A stored number is shown as it is; a new one must read as a number.
    if (!m_number->isReadOnly() && !ReadsAsPhoneNumber(m_number->text())) {
        ui::TellNotANumber(this);
        return false;
    }
    std::string number, name;
    // What a search showed in place of a name is stored as the lookup gave it.
    if (!ToStorable(m_number->text(), number) || !ToStorable(StoredWord(m_name->text()), name)) {
        ShowMessageBox(tr("Ce nom contient des caractères qui ne peuvent pas être enregistrés "
                          "dans l'annuaire. Il n'a pas été enregistré."),
                       {}, MsgIcon::Error, MsgButtons::Ok, this);
        return false;
    }

    CPhonebook* phonebook = GetPhonebook();
    std::string stored;
    bool known = phonebook->FindEntry(number, stored);
    if (known && stored == name)
        return true;

    if (m_number->isReadOnly()) {
        phonebook->SetEntry(number, name);
        RefreshList();
        return true;
    }

    if (known) {
        int answer = ShowMessageBox(tr("L'enregistrement existe déjà, l'écraser ?"), Caption(),
                                    MsgIcon::Question, MsgButtons::YesNo, this);
        if (answer != platform::IDYES) {
            SelectNumber(number);
            return true;
        }
    }
    phonebook->SetEntry(number, name);
    RefreshList();
    SelectNumber(number);
    return true;
}

void CPhonebookDlg::OnRestore() {
    std::string name;
    if (!GetPhonebook()->FindEntry(NumberText(), name))
        name.clear();
    m_name->setText(FromCp1252(name));
    RefreshList();
}

void CPhonebookDlg::OnDelete() {
    GetPhonebook()->RemoveEntry(NumberText());
    RefreshList();
    m_number->setReadOnly(false);
    m_number->clear();
    m_name->clear();
    m_nCurrent = -1;
}

void CPhonebookDlg::OnSearch() {
    if (m_bSearching)
        return;

    // The lookup blocks on the network for seconds: it runs on a thread of the dialog's while
    // a local loop keeps this thread painting and handling incoming calls. The dialog stays
    // inert meanwhile. Should the loop be cut short (the program ends), the dialog's end stops
    // the lookup and waits for the thread; the shared state keeps what it may still touch.
    struct Pending {
        std::string result;
        bool done = false;          // GUI thread only
        QEventLoop* loop = nullptr; // GUI thread only
    };
    auto pending = std::make_shared<Pending>();
    std::string number = NumberText();

    QPointer<QWidget> focus = focusWidget();
    m_bSearching = true;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);

    QEventLoop loop;
    pending->loop = &loop;
    m_search = std::jthread([pending, number](std::stop_token stop) mutable {
        std::string result;
        GetPhonebook()->LookupOnline(std::move(number), result, std::move(stop));
        pending->result = std::move(result);
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(
                app,
                [pending] {
                    pending->done = true;
                    if (pending->loop)
                        pending->loop->quit();
                },
                Qt::QueuedConnection);
        }
    });
    loop.exec();
    pending->loop = nullptr;
    if (pending->done)
        m_search.join();

    QApplication::restoreOverrideCursor();
    setEnabled(true);
    m_bSearching = false;
    if (focus)
        focus->setFocus();

    if (pending->done)
        m_name->setText(ShownWord(FromCp1252(pending->result)));
}

void CPhonebookDlg::ShowNumber(const std::string& number, const std::string& name) {
    if (int row = FindRow(number); row >= 0) {
        SelectRow(row, true);
    } else {
        SelectRow(-1, true);
        m_number->setText(FromCp1252(number));
        m_name->setText(FromCp1252(name));
    }
    m_name->setFocus();
}

void CPhonebookDlg::OnImport() {
    const QString file = ui::GetOpenFileName(
        this, tr("Importer des contacts"),
        {tr("Contacts (*.vcf *.vcard *.csv)"), tr("Cartes de visite (*.vcf *.vcard)"),
         tr("Fichiers CSV (*.csv)"), tr("Tous les fichiers (*)")});
    if (file.isEmpty())
        return;
    const int answer = ShowMessageBox(
        tr("Remplacer le nom des numéros déjà dans l'annuaire par celui du fichier ?"), Caption(),
        MsgIcon::Question, MsgButtons::YesNoCancel, this);
    if (answer != platform::IDYES && answer != platform::IDNO)
        return;

    // A stored entry shown unedited follows a name the import gives it; an edit stays.
    const bool unedited =
        m_number->isReadOnly() && m_name->text() == FromCp1252(m_list->GetItemText(m_nCurrent, 1));
    const std::optional<ImportReport> imported = RunImport(file, answer == platform::IDYES);
    if (!imported)
        return;
    const ImportReport& report = *imported;
    RefreshList();
    if (unedited && m_nCurrent >= 0)
        m_name->setText(FromCp1252(m_list->GetItemText(m_nCurrent, 1)));

    if (!report.ok) {
        ShowMessageBox(QString::fromStdString(report.error), {}, MsgIcon::Error, MsgButtons::Ok,
                       this);
        return;
    }
    ShowMessageBox(ImportSummary(report), Caption(), MsgIcon::Information, MsgButtons::Ok, this);
}

std::optional<ImportReport> CPhonebookDlg::RunImport(const QString& file, bool overwrite) {
    // Shown only when the import takes more than a moment, as most take less.
    //: %1 is the file's name.
    QProgressDialog progress(tr("Importation de « %1 »...").arg(QFileInfo(file).fileName()), {}, 0,
                             ImportProgress::kWhole, this);
    auto* cancel = new QPushButton(tr("Annuler"), &progress);
    progress.setCancelButton(cancel);
    progress.setWindowTitle(Caption());
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumDuration(400);
    progress.setValue(0); // counts the duration from now

    // Ends (given up, should the program end meanwhile) before the window it reports to.
    CContactsImportJob job(QFile::encodeName(file).toStdString(), overwrite);
    connect(&job, &CContactsImportJob::Progress, &progress, &QProgressDialog::setValue);
    connect(&job, &CContactsImportJob::Merging, &progress, [&progress, cancel] {
        progress.setLabelText(tr("Enregistrement de l'annuaire..."));
        cancel->setEnabled(false);
    });
    // The button and the close box cancel; so does Escape, which rejects.
    connect(&progress, &QProgressDialog::canceled, &job, &CContactsImportJob::Cancel);
    connect(&progress, &QDialog::rejected, &job, &CContactsImportJob::Cancel);

    // The editor stays inert meanwhile, though its window is not disabled: the progress window
    // is one of its children.
    std::vector<QPointer<QWidget>> disabled;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isWindow() && child->isEnabled()) {
            child->setEnabled(false);
            disabled.emplace_back(child);
        }
    }
    setCursor(Qt::BusyCursor);
    m_bImporting = true;

    QEventLoop loop;
    connect(&job, &CContactsImportJob::Finished, &loop, &QEventLoop::quit);
    job.Start();
    // Cut short when the program ends: the job then gives the import up as it goes.
    loop.exec();

    m_bImporting = false;
    unsetCursor();
    for (const QPointer<QWidget>& child : disabled)
        if (child)
            child->setEnabled(true);
    progress.hide();
    if (!job.IsFinished() || job.Canceled())
        return std::nullopt;
    return job.Report();
}

void CPhonebookDlg::OnExport() {
    //: "annuaire.vcf" is the file name proposed for the export.
    const QString file =
        ui::GetSaveFileName(this, tr("Exporter l'annuaire"), tr("annuaire.vcf"),
                            {tr("Cartes de visite (*.vcf *.vcard)"), tr("Fichiers CSV (*.csv)")});
    if (file.isEmpty())
        return;
    const ExportReport report =
        ExportPhonebook(*GetPhonebook(), QFile::encodeName(file).toStdString());
    if (!report.ok)
        ShowMessageBox(QString::fromStdString(report.error), {}, MsgIcon::Error, MsgButtons::Ok,
                       this);
}

void CPhonebookDlg::OnListContextMenu(QPoint pos) {
    const QModelIndex at = m_list->indexAt(pos);
    if (!at.isValid())
        return;
    const std::string number = m_list->GetItemText(at.row(), 0);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    ui::AddIgnoreNumberAction(menu, number, this);
    menu->popup(m_list->viewport()->mapToGlobal(pos));
}

void CPhonebookDlg::OnSetfocusName() {
    m_modify->setDefault(true);
    m_modify->update();
}

bool CPhonebookDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_name && event->type() == QEvent::FocusIn)
        OnSetfocusName();
    return QDialog::eventFilter(watched, event);
}

void CPhonebookDlg::accept() {
    if (!m_bSearching && !m_bImporting)
        QDialog::accept();
}

void CPhonebookDlg::reject() {
    if (!m_bSearching && !m_bImporting)
        QDialog::reject();
}

void CPhonebookDlg::closeEvent(QCloseEvent* event) {
    if (m_bSearching || m_bImporting) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

std::string CPhonebookDlg::NumberText() const {
    // Digits typed, or the bytes of a stored number, which convert back unchanged.
    return platform::ToCp1252(m_number->text()).value_or(std::string());
}
