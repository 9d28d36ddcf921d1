#pragma once
// "Liste des appels": every line of isdncall.log as one row, oldest call on top. It only reads
// the log, once per opening; calls logged while it is open show up at the next opening.

#include <QDialog>

#include <memory>
#include <string>

namespace ui {
class CListCtrl;
}
namespace Ui {
class CallListDlg136;
}

class CCallListDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CCallListDlg(QWidget* parent = nullptr);
    ~CCallListDlg() override;

  protected:
    // Binds m_list to control 1007 of the template.
    void DoDataExchange();
    // Fills and places the window; any read error has been reported when it returns.
    bool OnInitDialog();
    void LoadCallLog();
    void AddCallRow(std::string date, std::string number, std::string msn, std::string name);

  private:
    void PlaceWindow();

    std::unique_ptr<Ui::CallListDlg136> m_ui;
    ui::CListCtrl* m_list = nullptr;
};
