#pragma once
// The lists of numbers in the "Lignes" dialog: "Numéros appelés", a name for each number the
// line rings for (shown after it in the window, the history and the notifications), and
// "Numéros ignorés", the callers that ring no sound and show nothing but are still logged.
// Every change is stored at once.

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class NumbersPanel;
}

class CNumbersPanel : public QWidget {
    Q_OBJECT
  public:
    // Control ids.
    static constexpr int IDC_LABELS = 1121;
    static constexpr int IDC_LABEL_NUMBER = 1123;
    static constexpr int IDC_LABEL_TEXT = 1125;
    static constexpr int IDC_ADD_LABEL = 1126;
    static constexpr int IDC_CHANGE_LABEL = 1127;
    static constexpr int IDC_REMOVE_LABEL = 1128;
    static constexpr int IDC_IGNORED = 1131;
    static constexpr int IDC_IGNORED_ENTRY = 1132;
    static constexpr int IDC_ADD_IGNORED = 1133;
    static constexpr int IDC_REMOVE_IGNORED = 1134;

    explicit CNumbersPanel(QWidget* parent = nullptr);
    ~CNumbersPanel() override;

  public slots:
    // The selected row's number and name go into the fields.
    void OnLabelSelected();
    // Stores the fields' number and name (a number that has a name gets the new one).
    void OnAddLabel();
    // The selected row takes the fields' number and name.
    void OnChangeLabel();
    void OnRemoveLabel();
    void OnAddIgnored();
    void OnRemoveIgnored();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void RefreshLabels(const std::string& selected = {});
    void RefreshIgnored(const std::string& selected = {});
    void UpdateButtons();
    // The fields as stored bytes; false, the user told why, when they can't be stored.
    bool LabelFields(std::string& number, std::string& label);

    std::unique_ptr<Ui::NumbersPanel> m_ui;
    std::vector<std::string> m_ignored; // the list's entries as stored, row by row
};
