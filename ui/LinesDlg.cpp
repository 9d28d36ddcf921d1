#include "ui/LinesDlg.h"

#include "ui_LinesDlg.h"

#include "line/CallMonitorAddress.h"
#include "line/CallMonitorLine.h"
#include "line/CapiLine.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "ui/DialogUnits.h"
#include "ui/LineStatusSignal.h"
#include "ui/LineTexts.h"
#include "ui/MessageBox.h"
#include "ui/WorkArea.h"

#include <QPushButton>
#include <QTimer>

CLinesDlg::CLinesDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::LinesDlg>()) {
    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);
    if (const QIcon icon = LoadIconResource(145); !icon.isNull())
        setWindowIcon(icon);

    m_ui->addressEdit->setText(QString::fromStdString(line::WatchedCallMonitor()));
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CLinesDlg::OnApply);
    connect(m_ui->addressEdit, &QLineEdit::returnPressed, this, &CLinesDlg::OnApply);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);

    connect(&LineStatusSignal(), &CLineStatusSignal::Changed, this, &CLinesDlg::OnLineStatus);
    m_countdown = new QTimer(this);
    m_countdown->setInterval(1000);
    connect(m_countdown, &QTimer::timeout, this, &CLinesDlg::OnLineStatus);

    ui::CentreInWorkArea(this);
    OnLineStatus();
}

CLinesDlg::~CLinesDlg() = default;

void CLinesDlg::OnLineStatus() {
    const capi::LinkStatus capi = line::CapiLineStatus();
    const line::CallMonitorStatus monitor = line::CallMonitorLineStatus();
    const auto now = ui::Clock::now();
    m_ui->capiState->setText(ui::CapiStateText(capi));
    m_ui->monitorState->setText(ui::MonitorStateText(monitor, now));
    m_ui->monitorHint->setVisible(monitor.state == line::CallMonitorState::Refused);
    if (!ui::CountingDown(capi, monitor))
        m_countdown->stop();
    else if (!m_countdown->isActive())
        m_countdown->start();
}

void CLinesDlg::OnApply() {
    const std::string address = m_ui->addressEdit->text().trimmed().toStdString();
    if (!address.empty() && !line::ParseCallMonitorAddress(address)) {
        ui::ShowMessageBox(QStringLiteral("Adresse du moniteur d'appels invalide : indiquez le nom "
                                          "ou l'adresse IP du routeur, suivi si besoin de :port "
                                          "(par exemple 192.168.1.1:1012)."),
                           {}, ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return;
    }
    settings::SetCallMonitor(address);
    line::WatchCallMonitor(address);
    OnLineStatus();
}
