#include "ui/LinesDlg.h"

#include "ui_LinesDlg.h"

#include "line/CallMonitorAddress.h"
#include "line/LineSupervisor.h"
#include "line/MqttUrl.h"
#include "resources/Resources.h"
#include "settings/Settings.h"
#include "ui/DialogUnits.h"
#include "ui/LineStatusSignal.h"
#include "ui/LineTexts.h"
#include "ui/MessageBox.h"
#include "ui/NumbersPanel.h"
#include "ui/WorkArea.h"

#include <QPushButton>
#include <QTimer>

namespace {

// The status of a source, Off when there is none.
line::LineStatus StatusOf(const std::vector<line::LineStatus>& statuses, line::Source source) {
    for (const line::LineStatus& status : statuses) {
        if (status.source == source)
            return status;
    }
    line::LineStatus off;
    off.source = source;
    return off;
}

} // namespace

CLinesDlg::CLinesDlg(line::LineSupervisor& lines, QWidget* parent)
    : QDialog(parent), m_lines(lines), m_ui(std::make_unique<Ui::LinesDlg>()) {
    m_ui->setupUi(this);
    ui::ApplyDialogUnits(this);
    if (const QIcon icon = LoadIconResource(145); !icon.isNull())
        setWindowIcon(icon);

    if (const line::LineSource* monitor = m_lines.Find(line::Source::CallMonitor))
        m_ui->addressEdit->setText(QString::fromStdString(monitor->Address()));
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CLinesDlg::OnApply);
    connect(m_ui->addressEdit, &QLineEdit::returnPressed, this, &CLinesDlg::OnApply);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    if (const line::LineSource* mqtt = m_lines.Find(line::Source::Mqtt))
        m_shownMqtt = QString::fromStdString(line::WithoutPassword(mqtt->Address()));
    m_ui->mqttUrlEdit->setText(m_shownMqtt);
    connect(m_ui->mqttApplyButton, &QPushButton::clicked, this, &CLinesDlg::OnApplyMqtt);
    connect(m_ui->mqttUrlEdit, &QLineEdit::returnPressed, this, &CLinesDlg::OnApplyMqtt);

    connect(&LineStatusSignal(), &CLineStatusSignal::Changed, this, &CLinesDlg::OnLineStatus);
    m_countdown = new QTimer(this);
    m_countdown->setInterval(1000);
    connect(m_countdown, &QTimer::timeout, this, &CLinesDlg::OnLineStatus);

    AddNumbersPanel();
    ui::CentreInWorkArea(this);
    OnLineStatus();
}

CLinesDlg::~CLinesDlg() = default;

void CLinesDlg::AddNumbersPanel() {
    m_numbers = new CNumbersPanel(this);
    const int top = m_ui->okButton->y();
    m_numbers->move(0, top);
    m_ui->okButton->move(m_ui->okButton->x(), top + m_numbers->height());
    setFixedSize(width(), height() + m_numbers->height());
}

void CLinesDlg::OnLineStatus() {
    const std::vector<line::LineStatus> statuses = m_lines.Statuses();
    const line::LineStatus monitor = StatusOf(statuses, line::Source::CallMonitor);
    const auto now = ui::Clock::now();
    m_ui->capiState->setText(ui::CapiStateText(StatusOf(statuses, line::Source::Capi), now));
    m_ui->monitorState->setText(ui::MonitorStateText(monitor, now));
    m_ui->monitorHint->setVisible(monitor.state == line::LineState::Refused);
    m_ui->mqttState->setText(ui::MqttStateText(StatusOf(statuses, line::Source::Mqtt), now));
    if (!ui::CountingDown(statuses))
        m_countdown->stop();
    else if (!m_countdown->isActive())
        m_countdown->start();
}

void CLinesDlg::OnApply() {
    const std::string address = m_ui->addressEdit->text().trimmed().toStdString();
    if (!address.empty() && !line::ParseCallMonitorAddress(address)) {
        ui::ShowMessageBox(tr("Adresse du moniteur d'appels invalide : indiquez le nom ou "
                              "l'adresse IP du routeur, suivi si besoin de :port (par exemple "
                              "192.168.1.1:1012)."),
                           {}, ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return;
    }
    settings::SetCallMonitor(address);
    if (line::LineSource* monitor = m_lines.Find(line::Source::CallMonitor))
        monitor->Watch(address);
    OnLineStatus();
}

void CLinesDlg::OnApplyMqtt() {
    line::LineSource* mqtt = m_lines.Find(line::Source::Mqtt);
    const QString text = m_ui->mqttUrlEdit->text().trimmed();
    // The field shows no password: unchanged, it stands for the URL stored.
    const std::string url = text == m_shownMqtt && mqtt ? mqtt->Address() : text.toStdString();
    if (!url.empty() && !line::ParseMqttUrl(url)) {
        ui::ShowMessageBox(
            tr("Adresse du courtier MQTT invalide : indiquez mqtt://hôte ou mqtts://hôte, suivi "
               "si besoin de :port et de /préfixe (par exemple "
               "mqtt://192.168.1.10:1883/tintorel)."),
            {}, ui::MsgIcon::Error, ui::MsgButtons::Ok, this);
        return;
    }
    if (!settings::SetMqtt(url))
        ui::ShowMessageBox(tr("Impossible d'enregistrer l'adresse du courtier MQTT dans les "
                              "réglages : elle vaut jusqu'à la fin de Tintorel."),
                           {}, ui::MsgIcon::Warning, ui::MsgButtons::Ok, this);
    if (mqtt)
        mqtt->Watch(url);
    m_shownMqtt = QString::fromStdString(line::WithoutPassword(url));
    m_ui->mqttUrlEdit->setText(m_shownMqtt);
    OnLineStatus();
}
