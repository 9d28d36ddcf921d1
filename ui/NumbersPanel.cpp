#include "ui/NumbersPanel.h"

#include "ui_NumbersPanel.h"

#include "line/CallNumbers.h"
#include "phonebook/LookupWords.h"
#include "phonebook/PhoneNumber.h"
#include "platform/Cp1252.h"
#include "settings/NumberLists.h"
#include "ui/DialogUnits.h"
#include "ui/ListCell.h"
#include "ui/ListCtrl.h"
#include "ui/MessageBox.h"
#include "ui/NumberActions.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

using platform::FromCp1252;

namespace {

// Texts of the lists are Windows-1252 bytes on one line.
std::optional<std::string> Storable(const QString& text) {
    if (text.contains(QChar(u'\n')) || text.contains(QChar(u'\r')) || text.contains(QChar(u'\0')))
        return std::nullopt;
    return platform::ToCp1252(text);
}

// An entry of the list of ignored callers as the list shows it: "Anonyme" in the program's
// language.
std::string Shown(const std::string& entry) {
    return platform::ToCp1252(ShownWord(FromCp1252(entry))).value_or(entry);
}

// The row of a list whose first cell is text, -1 if none.
int FindRow(const ui::CListCtrl& list, const std::string& text) {
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemText(i, 0) == text)
            return i;
    return -1;
}

} // namespace

CNumbersPanel::CNumbersPanel(QWidget* parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::NumbersPanel>()) {
    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);

    m_ui->labelsList->SetGridLines(true);
    m_ui->labelsList->SetFullRowSelect(true);
    // Room for the heading in every language ("Angerufene Nummer").
    m_ui->labelsList->InsertColumn(0, tr("Numéro appelé"), 120);
    m_ui->labelsList->InsertColumn(1, tr("Nom"), 160);
    m_ui->ignoredList->SetGridLines(true);
    m_ui->ignoredList->SetFullRowSelect(true);
    m_ui->ignoredList->InsertColumn(0, tr("Numéro"), 280);

    connect(m_ui->labelsList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CNumbersPanel::OnLabelSelected);
    connect(m_ui->ignoredList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &CNumbersPanel::UpdateButtons);
    connect(m_ui->addLabelButton, &QPushButton::clicked, this, &CNumbersPanel::OnAddLabel);
    connect(m_ui->changeLabelButton, &QPushButton::clicked, this, &CNumbersPanel::OnChangeLabel);
    connect(m_ui->removeLabelButton, &QPushButton::clicked, this, &CNumbersPanel::OnRemoveLabel);
    connect(m_ui->addIgnoredButton, &QPushButton::clicked, this, &CNumbersPanel::OnAddIgnored);
    connect(m_ui->removeIgnoredButton, &QPushButton::clicked, this,
            &CNumbersPanel::OnRemoveIgnored);
    // Enter in a field adds what it holds, instead of closing the dialog.
    for (QLineEdit* edit : {m_ui->labelNumberEdit, m_ui->labelTextEdit, m_ui->ignoredEdit})
        edit->installEventFilter(this);

    RefreshLabels();
    RefreshIgnored();
}

CNumbersPanel::~CNumbersPanel() = default;

void CNumbersPanel::RefreshLabels(const std::string& selected) {
    ui::CListCtrl& list = *m_ui->labelsList;
    list.SetRedraw(false);
    list.DeleteAllItems();
    int row = 0;
    for (const auto& [number, label] : settings::ReadCalledLabels()) {
        SetListCell(list, number, row, 0);
        SetListCell(list, label, row, 1);
        ++row;
    }
    list.SetRedraw(true);
    list.SetSelectionMark(FindRow(list, selected));
    UpdateButtons();
}

void CNumbersPanel::RefreshIgnored(const std::string& selected) {
    ui::CListCtrl& list = *m_ui->ignoredList;
    list.SetRedraw(false);
    list.DeleteAllItems();
    int row = 0;
    m_ignored = settings::ReadIgnoredNumbers();
    for (const std::string& entry : m_ignored)
        SetListCell(list, Shown(entry), row++, 0);
    list.SetRedraw(true);
    list.SetSelectionMark(FindRow(list, Shown(selected)));
    UpdateButtons();
}

void CNumbersPanel::UpdateButtons() {
    const bool label = m_ui->labelsList->selectionModel()->hasSelection();
    m_ui->changeLabelButton->setEnabled(label);
    m_ui->removeLabelButton->setEnabled(label);
    m_ui->removeIgnoredButton->setEnabled(m_ui->ignoredList->selectionModel()->hasSelection());
}

void CNumbersPanel::OnLabelSelected() {
    const int row = m_ui->labelsList->GetSelectionMark();
    if (row >= 0) {
        m_ui->labelNumberEdit->setText(FromCp1252(m_ui->labelsList->GetItemText(row, 0)));
        m_ui->labelTextEdit->setText(FromCp1252(m_ui->labelsList->GetItemText(row, 1)));
    }
    UpdateButtons();
}

bool CNumbersPanel::LabelFields(std::string& number, std::string& label) {
    const QString typedNumber = m_ui->labelNumberEdit->text().trimmed();
    const QString typedLabel = m_ui->labelTextEdit->text().trimmed();
    if (typedNumber.isEmpty() || typedLabel.isEmpty()) {
        ui::ShowMessageBox(tr("Pas de numéro appelé ou de nom"), {}, ui::MsgIcon::None,
                           ui::MsgButtons::Ok, this);
        return false;
    }
    const std::optional<std::string> storedNumber = Storable(typedNumber);
    if (!storedNumber || !ReadsAsPhoneNumber(typedNumber)) {
        ui::TellNotANumber(this);
        return false;
    }
    const std::optional<std::string> storedLabel = Storable(typedLabel);
    if (!storedLabel) {
        ui::ShowMessageBox(tr("Ce nom contient des caractères qui ne peuvent pas être "
                              "enregistrés. Il n'a pas été enregistré."),
                           {}, ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return false;
    }
    number = *storedNumber;
    label = *storedLabel;
    return true;
}

void CNumbersPanel::OnAddLabel() {
    std::string number, label;
    if (!LabelFields(number, label))
        return;
    if (!settings::SetCalledLabel(number, label))
        ui::TellSettingsNotWritten(this);
    RefreshLabels(number);
}

void CNumbersPanel::OnChangeLabel() {
    const int row = m_ui->labelsList->GetSelectionMark();
    std::string number, label;
    if (row < 0 || !LabelFields(number, label))
        return;
    const std::string old = m_ui->labelsList->GetItemText(row, 0);
    // The new entry first: a failure then leaves the old one as it was.
    if (!settings::SetCalledLabel(number, label) ||
        (old != number && !settings::RemoveCalledLabel(old)))
        ui::TellSettingsNotWritten(this);
    RefreshLabels(number);
}

void CNumbersPanel::OnRemoveLabel() {
    const int row = m_ui->labelsList->GetSelectionMark();
    if (row < 0)
        return;
    if (!settings::RemoveCalledLabel(m_ui->labelsList->GetItemText(row, 0)))
        ui::TellSettingsNotWritten(this);
    m_ui->labelNumberEdit->clear();
    m_ui->labelTextEdit->clear();
    RefreshLabels();
}

void CNumbersPanel::OnAddIgnored() {
    QString typed = m_ui->ignoredEdit->text().trimmed();
    // "Anonyme" as it is stored, or as the program's language writes it.
    const QString withheld = QLatin1StringView(settings::kWithheldEntry);
    if (typed.compare(withheld, Qt::CaseInsensitive) == 0 ||
        typed.compare(ShownWord(withheld), Qt::CaseInsensitive) == 0)
        typed = withheld;
    const std::optional<std::string> entry = Storable(typed);
    if (!entry || !line::IsIgnoredEntry(typed)) {
        //: "Anonyme" is the entry for withheld numbers, as the list shows it.
        ui::ShowMessageBox(tr("Indiquez un numéro, un début de numéro suivi de * (par exemple "
                              "0900*) ou Anonyme. Rien n'a été enregistré."),
                           {}, ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return;
    }
    if (!settings::AddIgnoredNumber(*entry))
        ui::TellSettingsNotWritten(this);
    m_ui->ignoredEdit->clear();
    RefreshIgnored(*entry);
}

void CNumbersPanel::OnRemoveIgnored() {
    const int row = m_ui->ignoredList->GetSelectionMark();
    if (row < 0 || row >= static_cast<int>(m_ignored.size()))
        return;
    // The entry as stored: the list may show it translated.
    if (!settings::RemoveIgnoredNumber(m_ignored[static_cast<std::size_t>(row)]))
        ui::TellSettingsNotWritten(this);
    RefreshIgnored();
}

bool CNumbersPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == m_ui->ignoredEdit)
                OnAddIgnored();
            else
                OnAddLabel();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
