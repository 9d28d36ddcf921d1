#include "settings/AboutDlg.h"

#include "resources/Resources.h"

#include "phonebook/Phonebook.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/ModulePath.h"
#include "platform/WorkArea.h"
#include "settings/VersionInfo.h"

#include "ui_AboutDlg148.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

using namespace platform;

std::string g_strVersion;

namespace {

constexpr int kIdOk = 1;
constexpr int kIdUninstall = 1015;
constexpr int kIdAutostart = 1022;
constexpr int kIdAutoConnect = 1023;
constexpr int kIdCountry = 1025;

const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
const char* const kRunValue = "Tintorel";
const char* const kSettingsKey = "Software\\Tintorel\\";
const char* const kAutoConnectValue = "AutoConnect";

const char* const kNotice = "Identification des appelants sur ligne RNIS";

QString Caption() {
    return QStringLiteral("Tintorel");
}

// A Run value counts only when it is a proper string: NUL-terminated REG_SZ or
// REG_EXPAND_SZ, or a REG_MULTI_SZ ending in two NULs.
bool IsStringValue(DWORD type, const std::vector<BYTE>& data) {
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return !data.empty() && data.back() == 0;
    if (type == REG_MULTI_SZ)
        return data.size() >= 2 && data[data.size() - 1] == 0 && data[data.size() - 2] == 0;
    return false;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    Ui::AboutDlg148 ui;
    ui.setupUi(this);
    ApplyDialogUnits(this);
    DoDataExchange();

    // The template gives the height of the opened list; closed, the box is as tall as the
    // button and the label beside it.
    m_cboCountry->resize(m_cboCountry->width(), DluToPixelsY(14));

    connect(qobject_cast<QPushButton*>(FindControl(this, kIdOk)), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(m_chkAutostart, &QCheckBox::clicked, this, &CAboutDlg::OnAutostartClicked);
    connect(m_cboCountry, &QComboBox::currentIndexChanged, this, &CAboutDlg::OnCountryChanged);
    connect(m_chkAutoConnect, &QCheckBox::clicked, this, &CAboutDlg::OnAutoConnectClicked);
    connect(qobject_cast<QPushButton*>(FindControl(this, kIdUninstall)), &QPushButton::clicked,
            this, &CAboutDlg::OnUninstall);

    platform::CentreInWorkArea(this);
    OnInitDialog();
}

void CAboutDlg::DoDataExchange() {
    m_chkAutoConnect = qobject_cast<QCheckBox*>(FindControl(this, kIdAutoConnect));
    m_cboCountry = qobject_cast<QComboBox*>(FindControl(this, kIdCountry));
    m_chkAutostart = qobject_cast<QCheckBox*>(FindControl(this, kIdAutostart));
}

bool CAboutDlg::OnInitDialog() {
    CVersionInfo info;
    if (info.Open()) {
        std::string line = "Version : " + info.GetProductVersion();
        std::replace(line.begin(), line.end(), ',', '.');
        g_strVersion = line;
        info.Close();
    }

    // Icon 141: the large picture, and the small one where the resources have it.
    if (const QIcon icon = LoadIconResource(141); !icon.isNull())
        setWindowIcon(icon);
    return true;
}

void CAboutDlg::paintEvent(QPaintEvent* /*event*/) {
    OnPaint();
}

void CAboutDlg::OnPaint() {
    {
        QPainter dc(this);
        const int w = width();
        // Centred horizontally, from the top of each band (several lines would stack down).
        constexpr int kFlags = Qt::AlignHCenter | Qt::AlignTop;

        QFont title(QStringLiteral("Arial"));
        title.setStyleHint(QFont::SansSerif);
        title.setPointSize(30);
        dc.setFont(title);
        dc.setBackgroundMode(Qt::TransparentMode);
        dc.setPen(Qt::black);
        dc.drawText(QRect(10, 10, w, 50), kFlags, QStringLiteral("Tintorel"));

        QFont text(QStringLiteral("Arial"));
        text.setStyleHint(QFont::SansSerif);
        text.setPointSize(10);
        dc.setFont(text);
        dc.setPen(Qt::black);
        dc.drawText(QRect(10, 65, w, 30), kFlags, QString::fromUtf8(kNotice));

        dc.setPen(Qt::black);
        dc.drawText(QRect(10, 95, w, 30), kFlags, QString::fromStdString(g_strVersion));
    }

    // The controls show what is stored, not what was last clicked.
    CPhonebook* phonebook = GetPhonebook();
    m_chkAutostart->setChecked(IsAutostartEnabled());
    m_chkAutoConnect->setChecked(phonebook->ReadAutoConnect() != 0);
    const QSignalBlocker quiet(m_cboCountry); // a refresh is not a choice of the user
    m_cboCountry->setCurrentIndex(phonebook->GetCountry());
}

bool CAboutDlg::IsAutostartEnabled() {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ, &key) != ERROR_SUCCESS)
        return false;

    bool enabled = false;
    // The buffer takes the whole value: a path longer than a fixed buffer must still compare.
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueEx(key, kRunValue, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        std::vector<BYTE> data(size);
        if (RegQueryValueEx(key, kRunValue, &type, data.data(), &size) == ERROR_SUCCESS &&
            size == data.size() && IsStringValue(type, data)) {
            const std::string stored(reinterpret_cast<const char*>(data.data()));
            const std::optional<std::string> path = GetModuleFileName();
            enabled = path && !path->empty() && stored == *path;
        }
    }
    RegCloseKey(key);
    return enabled;
}

void CAboutDlg::SetAutostart(bool enable) {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kRunKey, KEY_READ | KEY_WRITE, &key) != ERROR_SUCCESS)
        return;
    if (!enable) {
        RegDeleteValue(key, kRunValue);
    } else if (const std::optional<std::string> path = GetModuleFileName();
               path && !path->empty()) {
        RegSetValueEx(key, kRunValue, REG_SZ, reinterpret_cast<const BYTE*>(path->c_str()),
                      static_cast<DWORD>(path->size() + 1));
    }
    RegCloseKey(key);
}

void CAboutDlg::OnAutostartClicked() {
    SetAutostart(m_chkAutostart->isChecked());
    update();
}

void CAboutDlg::OnCountryChanged() {
    const int country = m_cboCountry->currentIndex();
    if (country < 0)
        return;
    // The store rewrites its file from memory: merge what the user or another running copy
    // added to the file since, so the rewrite keeps it.
    CPhonebook* phonebook = GetPhonebook();
    phonebook->Load();
    phonebook->SetCountry(country, true);
    update();
}

void CAboutDlg::OnAutoConnectClicked() {
    const DWORD state = m_chkAutoConnect->isChecked() ? 1 : 0;
    HKEY key = nullptr;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_READ | KEY_WRITE, &key) !=
        ERROR_SUCCESS) {
        update();
        return;
    }
    RegSetValueEx(key, kAutoConnectValue, REG_DWORD, reinterpret_cast<const BYTE*>(&state),
                  sizeof state);
    RegCloseKey(key);
    update();
}

void CAboutDlg::OnUninstall() {
    if (ShowMessageBox(QString::fromUtf8("Etes-vous sur de vouloir supprimer tous les paramètres "
                                         "de la base de registre ?"),
                       Caption(), MsgIcon::Question, MsgButtons::YesNo, this) != IDYES)
        return;

    // The system's own wording, entity included.
    const QString failed = QStringLiteral(
        "Erreur, impossible de supprimer les entr&eacute; dans la base de registre.");
    HKEY software = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\", KEY_READ | KEY_WRITE, &software) !=
        ERROR_SUCCESS) {
        ShowMessageBox(failed, Caption(), MsgIcon::None, MsgButtons::Ok, this);
        return;
    }
    if (DeleteKeyTree(software, "Tintorel") != ERROR_SUCCESS) {
        ShowMessageBox(failed, Caption(), MsgIcon::None, MsgButtons::Ok, this);
    } else {
        SetAutostart(false);
        ShowMessageBox(QStringLiteral("Vous pouvez maintenant supprimer tintorel.exe, "
                                      "isdncall.log et phonebook.txt."),
                       Caption(), MsgIcon::None, MsgButtons::Ok, this);
    }
    RegCloseKey(software);
    update();
}

LONG CAboutDlg::DeleteKeyTree(HKEY parent, const std::string& subKey) {
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyEx(parent, subKey, KEY_READ | KEY_WRITE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;

    for (;;) {
        char name[256];
        name[0] = '\0';
        DWORD nameSize = sizeof name;
        if (RegEnumKeyEx(key, 0, name, &nameSize) != ERROR_SUCCESS)
            break;
        const std::string child(name, std::min<std::size_t>(nameSize, sizeof name - 1));
        const LONG result = DeleteKeyTree(key, child);
        if (result != ERROR_SUCCESS) {
            RegCloseKey(key);
            return result;
        }
    }
    RegCloseKey(key);
    return RegDeleteKey(parent, subKey);
}
