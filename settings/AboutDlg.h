#pragma once
// "Tintorel, à propos de": the product, notice and version lines, and the settings that take
// effect at once: start with the session, directory country, AutoConnect, and uninstall (the
// removal of every registry entry Tintorel wrote).

#include "platform/Registry.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QComboBox;

// The version line: empty until a dialog read the executable's version block, then kept for
// the rest of the run.
extern std::string g_strVersion;

class CAboutDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // Whether the Run value "Tintorel" holds exactly the running executable's path.
    static bool IsAutostartEnabled();
    // Writes (true) or deletes (false) the Run value "Tintorel"; failures are silent.
    static void SetAutostart(bool enable);
    // Deletes the subkey and everything below it, depth first; 0 or the registry's error.
    static platform::LONG DeleteKeyTree(platform::HKEY parent, const std::string& subKey);

  protected:
    bool OnInitDialog();
    void paintEvent(QPaintEvent* event) override;
    void OnPaint();

  protected slots:
    void OnAutostartClicked();
    void OnCountryChanged();
    void OnAutoConnectClicked();
    void OnUninstall();

  private:
    void DoDataExchange();

    QCheckBox* m_chkAutoConnect = nullptr;
    QComboBox* m_cboCountry = nullptr;
    QCheckBox* m_chkAutostart = nullptr;
};
