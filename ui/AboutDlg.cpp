#include "ui/AboutDlg.h"

#include "phonebook/Phonebook.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "settings/VersionInfo.h"
#include "ui/DialogUnits.h"
#include "ui/MessageBox.h"
#include "ui/WorkArea.h"

#include "ui_AboutDlg148.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QIcon>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>
#include <vector>

using namespace ui;

std::string g_strVersion;

namespace {

constexpr int kIdOk = 1;
constexpr int kIdUninstall = 1015;
constexpr int kIdAutostart = 1022;
constexpr int kIdAutoConnect = 1023;
constexpr int kIdCountry = 1025;
constexpr int kIdNotifications = 1026;
constexpr int kIdCommand = 1027;
constexpr int kIdLanguage = 1028;

// "Notifications du bureau", in the order of the list.
constexpr settings::DesktopNotifications kNotificationChoices[] = {
    settings::DesktopNotifications::Automatic,
    settings::DesktopNotifications::On,
    settings::DesktopNotifications::Off,
};

// "Langue", in the order of the list: automatic, then each language named in itself.
const char* const kLanguageChoices[] = {"", "fr", "de", "en"};

QString Caption() {
    return QStringLiteral("Tintorel");
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    Ui::AboutDlg148 form;
    form.setupUi(this);
    ApplyDialogUnits(this);
    DoDataExchange();

    // The template gives the height of the opened list; closed, the box is as tall as the
    // button and the label beside it.
    for (QComboBox* box : {m_cboCountry, m_cboNotifications, m_cboLanguage})
        box->resize(box->width(), DluToPixelsY(14));

    connect(qobject_cast<QPushButton*>(FindControl(this, kIdOk)), &QPushButton::clicked, this,
            &QDialog::accept);
    connect(m_chkAutostart, &QCheckBox::clicked, this, &CAboutDlg::OnAutostartClicked);
    connect(m_cboCountry, &QComboBox::currentIndexChanged, this, &CAboutDlg::OnCountryChanged);
    connect(m_cboNotifications, &QComboBox::currentIndexChanged, this,
            &CAboutDlg::OnNotificationsChanged);
    connect(m_cboLanguage, &QComboBox::currentIndexChanged, this, &CAboutDlg::OnLanguageChanged);
    connect(m_chkAutoConnect, &QCheckBox::clicked, this, &CAboutDlg::OnAutoConnectClicked);
    connect(qobject_cast<QPushButton*>(FindControl(this, kIdUninstall)), &QPushButton::clicked,
            this, &CAboutDlg::OnUninstall);
    connect(m_editCommand, &QLineEdit::editingFinished, this, &CAboutDlg::OnCommandEdited);
    // A click by mouse or space bar repaints the box before it reports the click: the repaint
    // must not put the stored setting back before the handler has read what the hand chose.
    for (QCheckBox* box : {m_chkAutostart, m_chkAutoConnect}) {
        connect(box, &QCheckBox::pressed, this, [this] { m_bBoxPressed = true; });
        connect(box, &QCheckBox::released, this, [this] { m_bBoxPressed = false; });
    }

    ui::CentreInWorkArea(this);
    OnInitDialog();
}

void CAboutDlg::DoDataExchange() {
    m_chkAutoConnect = qobject_cast<QCheckBox*>(FindControl(this, kIdAutoConnect));
    m_cboCountry = qobject_cast<QComboBox*>(FindControl(this, kIdCountry));
    m_cboNotifications = qobject_cast<QComboBox*>(FindControl(this, kIdNotifications));
    m_chkAutostart = qobject_cast<QCheckBox*>(FindControl(this, kIdAutostart));
    m_editCommand = qobject_cast<QLineEdit*>(FindControl(this, kIdCommand));
    m_cboLanguage = qobject_cast<QComboBox*>(FindControl(this, kIdLanguage));
}

bool CAboutDlg::OnInitDialog() {
    CVersionInfo info;
    if (info.Open()) {
        //: The about dialog; %1 is the version, "1.0.0.0".
        std::string line =
            tr("Version : %1").arg(QString::fromStdString(info.GetProductVersion())).toStdString();
        std::replace(line.begin(), line.end(), ',', '.');
        g_strVersion = line;
        info.Close();
    }

    // Shown once: a repaint must not take back what is being typed.
    m_editCommand->setText(QString::fromStdString(settings::ReadCallCommand()));

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
        dc.drawText(QRect(10, 65, w, 30), kFlags,
                    tr("Identification des appelants sur ligne RNIS"));

        dc.setPen(Qt::black);
        dc.drawText(QRect(10, 95, w, 30), kFlags, QString::fromStdString(g_strVersion));
    }

    // The controls show what is stored, not what was last clicked.
    CPhonebook* phonebook = GetPhonebook();
    if (!m_bBoxPressed) {
        m_chkAutostart->setChecked(settings::IsAutostartEnabled());
        m_chkAutoConnect->setChecked(settings::ReadAutoConnect() != 0);
    }
    const QSignalBlocker quiet(m_cboCountry); // a refresh is not a choice of the user
    m_cboCountry->setCurrentIndex(phonebook->GetCountry());
    const QSignalBlocker quietToo(m_cboNotifications);
    const settings::DesktopNotifications stored = settings::ReadDesktopNotifications();
    for (int i = 0; i < static_cast<int>(std::size(kNotificationChoices)); ++i)
        if (kNotificationChoices[i] == stored)
            m_cboNotifications->setCurrentIndex(i);
    const QSignalBlocker quietLanguage(m_cboLanguage);
    const std::string language = settings::ReadLanguage();
    for (int i = 0; i < static_cast<int>(std::size(kLanguageChoices)); ++i)
        if (language == kLanguageChoices[i])
            m_cboLanguage->setCurrentIndex(i);
}

void CAboutDlg::OnAutostartClicked() {
    settings::SetAutostart(m_chkAutostart->isChecked());
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

void CAboutDlg::OnNotificationsChanged() {
    const int index = m_cboNotifications->currentIndex();
    if (index < 0 || index >= static_cast<int>(std::size(kNotificationChoices)))
        return;
    // The notifier reads it at each call.
    settings::SetDesktopNotifications(kNotificationChoices[index]);
    update();
}

void CAboutDlg::OnLanguageChanged() {
    const int index = m_cboLanguage->currentIndex();
    if (index < 0 || index >= static_cast<int>(std::size(kLanguageChoices)))
        return;
    // Read at the next start.
    settings::SetLanguage(kLanguageChoices[index]);
    update();
}

void CAboutDlg::OnAutoConnectClicked() {
    settings::SetAutoConnect(m_chkAutoConnect->isChecked());
    update();
}

void CAboutDlg::OnCommandEdited() {
    const std::string command = m_editCommand->text().trimmed().toStdString();
    // The next call reads it.
    if (command != settings::ReadCallCommand())
        settings::SetCallCommand(command);
}

void CAboutDlg::OnUninstall() {
    if (ShowMessageBox(tr("Etes-vous sur de vouloir supprimer tous les paramètres de la base de "
                          "registre ?"),
                       Caption(), MsgIcon::Question, MsgButtons::YesNo, this) != IDYES)
        return;

    if (settings::RemoveAllSettings()) {
        ShowMessageBox(tr("Vous pouvez maintenant supprimer tintorel.exe, isdncall.log et "
                          "phonebook.txt."),
                       Caption(), MsgIcon::None, MsgButtons::Ok, this);
    } else {
        // The system's own wording, entity included.
        //: Shown as plain text: the entity is part of the French wording only.
        ShowMessageBox(
            tr("Erreur, impossible de supprimer les entr&eacute; dans la base de registre."),
            Caption(), MsgIcon::None, MsgButtons::Ok, this);
    }
    m_editCommand->setText(QString::fromStdString(settings::ReadCallCommand()));
    update();
}
