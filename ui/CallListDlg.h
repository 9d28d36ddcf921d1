#pragma once
// "Liste des appels": every line of isdncall.log as one row, oldest call on top. It only reads
// the log, once per opening; calls logged while it is open show up at the next opening. A
// filter field narrows the rows as the user types; a row's menu copies its number or adds it
// to the phonebook. A called number with a label has it after the number.

#include "calllog/CallSearch.h"
#include "line/CallNumbers.h"

#include <QDialog>

#include <memory>
#include <string>

namespace ui {
class CListCtrl;
}
namespace Ui {
class CallListDlg136;
}
class QLineEdit;

class CCallListDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CCallListDlg(QWidget* parent = nullptr);
    ~CCallListDlg() override;

  public slots:
    // Lists only the calls whose number or name holds the filter field's text.
    void OnFilterChanged();
    void OnExport();
    // The row menu, for the row at a point of the list's viewport.
    void OnListContextMenu(QPoint pos);

  protected:
    // Binds m_list to control 1007 of the template.
    void DoDataExchange();
    // Fills and places the window; any read error has been reported when it returns.
    bool OnInitDialog();
    void LoadCallLog();
    void AddCallRow(std::string date, std::string number, std::string msn, std::string name);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void PlaceWindow();
    // Opens the phonebook editor on a call's number and name (Windows-1252).
    void AddToPhonebook(const std::string& number, const std::string& name);

    std::unique_ptr<Ui::CallListDlg136> m_ui;
    ui::CListCtrl* m_list = nullptr;
    QLineEdit* m_filter = nullptr;
    CallSearch m_search; // the rows' numbers and names, row for row
    line::CalledLabels m_labels;
};
