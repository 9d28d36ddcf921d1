#pragma once
// "Tintorel, lignes": one row per line source with its state, updated as it changes, the
// address of the router's call monitor and the MQTT broker's URL, each taking effect when
// applied; below them the lists of called and ignored numbers (ui/NumbersPanel.h). The URL's
// password is never shown: the field holds the URL without it, and applied unchanged it keeps
// the one stored.

#include <QDialog>
#include <QString>

#include <memory>

namespace line {
class LineSupervisor;
}

class CNumbersPanel;
class QLabel;
class QLineEdit;
class QTimer;

namespace Ui {
class LinesDlg;
}

class CLinesDlg : public QDialog {
    Q_OBJECT
  public:
    // Control ids.
    static constexpr int IDC_CAPI_STATE = 1102;
    static constexpr int IDC_MONITOR_STATE = 1104;
    static constexpr int IDC_MONITOR_HINT = 1105;
    static constexpr int IDC_ADDRESS = 1107;
    static constexpr int IDC_APPLY = 1108;
    static constexpr int IDC_MQTT_STATE = 1111;
    static constexpr int IDC_MQTT_URL = 1113;
    static constexpr int IDC_MQTT_APPLY = 1114;

    // Shows the lines of this owner.
    explicit CLinesDlg(line::LineSupervisor& lines, QWidget* parent = nullptr);
    ~CLinesDlg() override;

  public slots:
    // Shows the states as they are now.
    void OnLineStatus();
    // Stores the address and watches it (empty: the call monitor is switched off).
    void OnApply();
    // Stores the broker's URL and connects to it (empty: MQTT is switched off).
    void OnApplyMqtt();

    CNumbersPanel* NumbersPanel() const { return m_numbers; }

  private:
    // Puts the lists of numbers above the OK button, whatever the template holds above it.
    void AddNumbersPanel();

    line::LineSupervisor& m_lines;
    std::unique_ptr<Ui::LinesDlg> m_ui;
    QTimer* m_countdown = nullptr;
    QString m_shownMqtt; // the URL as the field shows it, without the password
    CNumbersPanel* m_numbers = nullptr;
};
