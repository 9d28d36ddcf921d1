#pragma once
// The "Annuaire" window: browse the phonebook and edit one entry at a time. Every change is
// written to the phonebook file by the button that makes it; closing saves nothing. A number
// is typed as people write it ("+41 79 123 45 67") and stored as typed; a row's menu ignores
// its calls, or no longer.

#include <QDialog>

#include <memory>
#include <optional>
#include <string>
#include <thread>

class QLineEdit;
class QPushButton;
struct ImportReport;

namespace Ui {
class PhonebookDlg140;
}

namespace ui {
class CListCtrl;
}

class CPhonebookDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CPhonebookDlg(QWidget* parent = nullptr);
    ~CPhonebookDlg() override;

    // The row whose entry the fields show; -1 while they hold a new entry.
    int CurrentRow() const { return m_nCurrent; }
    // True while "Rechercher" waits for the directory.
    bool IsSearching() const { return m_bSearching; }
    // True while "Importer..." reads a file and merges it.
    bool IsImporting() const { return m_bImporting; }

    // Opens on a number (Windows-1252) for the user to store it: its stored entry, or else a
    // new entry with the number and name (empty when none is known), the name field to type in.
    void ShowNumber(const std::string& number, const std::string& name);

  public slots:
    void reject() override;
    void accept() override;

    void OnDblclkList();
    void OnNewNumber();
    void OnModify();
    void OnRestore();
    void OnDelete();
    void OnSearch();
    void OnSetfocusName();
    void OnImport();
    void OnExport();
    // The row menu, for the row at a point of the list's viewport.
    void OnListContextMenu(QPoint pos);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    bool OnInitDialog();
    void RefreshList();
    void SelectRow(int row, bool noQuestion);
    void SelectNumber(const std::string& number);
    // The first row whose number cell is number, -1 if none.
    int FindRow(const std::string& number) const;

    // OnModify's work; false when the fields were refused because they can't be stored.
    bool Modify();
    // The number field as stored bytes.
    std::string NumberText() const;
    // The import of file on its thread, with a progress window after a moment and its cancel
    // button; nothing when it was given up or the program is ending.
    std::optional<ImportReport> RunImport(const QString& file, bool overwrite);

    std::unique_ptr<Ui::PhonebookDlg140> m_ui;
    ui::CListCtrl* m_list = nullptr;
    int m_nCurrent = -1;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_name = nullptr;
    QPushButton* m_modify = nullptr;
    bool m_bSearching = false;
    bool m_bImporting = false;
    // The directory search of "Rechercher"; stopped and joined when the dialog ends.
    std::jthread m_search;
};
