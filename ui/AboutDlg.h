#pragma once
// "Tintorel, à propos de": the product, notice and version lines, and the settings that take
// effect at once: start with the session, directory country, desktop notifications, the
// language (from the next start),
// AutoConnect, the command run for each call, and uninstall (the removal of every registry
// entry Tintorel wrote).

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

// The version line: empty until a dialog read the executable's version block, then kept for
// the rest of the run.
extern std::string g_strVersion;

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

  protected:
    bool OnInitDialog();
    void paintEvent(QPaintEvent* event) override;
    void OnPaint();

  protected slots:
    void OnAutostartClicked();
    void OnCountryChanged();
    void OnNotificationsChanged();
    // "Langue": stored for the next start.
    void OnLanguageChanged();
    void OnAutoConnectClicked();
    // Stores the command once it is edited (focus gone, or Enter); empty removes it.
    void OnCommandEdited();
    void OnUninstall();

  private:
    void DoDataExchange();

    QCheckBox* m_chkAutoConnect = nullptr;
    QComboBox* m_cboCountry = nullptr;
    QComboBox* m_cboNotifications = nullptr;
    QComboBox* m_cboLanguage = nullptr;
    QCheckBox* m_chkAutostart = nullptr;
    QLineEdit* m_editCommand = nullptr;
    bool m_bBoxPressed = false; // a check box is between its press and its release
};
