#include "network/ui/wifi_setup_dlg_kp520.h"

#include <QRegularExpressionValidator>

#include "base/device_texts.h"
#include "base/language.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/wifi_join.h"
#include "network/wireless_operations.h"
#include "ui_wifi_setup_dlg_kp520.h"

namespace printune {

namespace {

constexpr const char* CONTEXT = "CWifiSetupDlg_KP520";

std::optional<Ipv4Octets> Address(const QLineEdit* edit) {
    Ipv4Octets ip{};
    if (!ParseIpv4Octets(S(edit->text().trimmed()), ip))
        return std::nullopt;
    return ip;
}

} // namespace

void ShowNoticeBox(QWidget* owner, const Notice& n) {
    const MessageIcon icon = n.severity == Severity::Error         ? MessageIcon::Error
                             : n.severity == Severity::Information ? MessageIcon::Information
                                                                   : MessageIcon::Warning;
    MessageService::Show(owner, icon, Q(n.hint.empty() ? n.text : n.text + "\n" + n.hint));
}

CWifiSetupDlg_KP520::CWifiSetupDlg_KP520(QWidget* parent)
    : CPortCopyDialog(parent), ui_(std::make_unique<Ui::CWifiSetupDlg_KP520>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    // Dotted decimal, each part 0..255, as an address control takes it.
    const QString part = QStringLiteral("(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)");
    const QRegularExpression dotted(
        QStringLiteral("^(%1(\\.(%1(\\.(%1(\\.(%1)?)?)?)?)?)?)?$").arg(part));
    for (QLineEdit* e : {ui_->ipEdit, ui_->maskEdit, ui_->gatewayEdit})
        e->setValidator(new QRegularExpressionValidator(dotted, e));
    ui_->instructionLabel->setText(
        Q(DeviceTextString(DeviceText::WifiKeyInstruction, UiLanguageId())));
    connect(ui_->encryptionCombo, &QComboBox::currentIndexChanged, this,
            &CWifiSetupDlg_KP520::OnEncryptionChanged);
    connect(ui_->confirmButton, &QPushButton::clicked, this, &CWifiSetupDlg_KP520::OnConfirm);
    connect(ui_->resetButton, &QPushButton::clicked, this, &CWifiSetupDlg_KP520::OnReset);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    SetOpeningValues();
}

CWifiSetupDlg_KP520::~CWifiSetupDlg_KP520() = default;

void CWifiSetupDlg_KP520::Prepare(const PortState& port, const PortSettings& settings) {
    port_ = port;
    settings_ = settings;
    SetOpeningValues();
    ui_->joinStatus->clear();
}

int CWifiSetupDlg_KP520::LanguageId() const {
    return LanguageIdFromSetting(settings_.language);
}

QString CWifiSetupDlg_KP520::Text(const char* source) const {
    return TextIn(LanguageId(), CONTEXT, source);
}

void CWifiSetupDlg_KP520::SetOpeningValues() {
    const WifiConfig opening;
    ui_->modeCombo->setCurrentIndex(opening.mode);
    ui_->ssidEdit->setText(Q(opening.ssid));
    ui_->encryptionCombo->setCurrentIndex(opening.encryption);
    OnEncryptionChanged(opening.encryption);
    ui_->keyFormatCombo->setCurrentIndex(opening.keyFormat);
    ui_->keyEdit->clear();
    ui_->dhcpCombo->setCurrentIndex(opening.dhcp);
    ui_->ipEdit->setText(Q(FormatIpv4Octets(*opening.ip)));
    ui_->maskEdit->setText(Q(FormatIpv4Octets(*opening.mask)));
    ui_->gatewayEdit->setText(Q(FormatIpv4Octets(*opening.gateway)));
}

void CWifiSetupDlg_KP520::OnEncryptionChanged(int index) {
    const bool none = index == WIFI_ENCRYPTION_NONE;
    if (none)
        ui_->keyEdit->clear();
    ui_->keyFormatCombo->setEnabled(!none);
    ui_->keyEdit->setEnabled(!none);
}

WifiConfig CWifiSetupDlg_KP520::Values() const {
    WifiConfig c;
    c.mode = ui_->modeCombo->currentIndex();
    c.ssid = S(ui_->ssidEdit->text());
    c.encryption = ui_->encryptionCombo->currentIndex();
    c.keyFormat = ui_->keyFormatCombo->currentIndex();
    c.key = S(ui_->keyEdit->text());
    c.dhcp = ui_->dhcpCombo->currentIndex();
    c.ip = Address(ui_->ipEdit);
    c.mask = Address(ui_->maskEdit);
    c.gateway = Address(ui_->gatewayEdit);
    return c;
}

bool CWifiSetupDlg_KP520::Busy() const {
    return sendWorker_.Busy() || joinWorker_.Busy();
}

void CWifiSetupDlg_KP520::SetButtonsEnabled(bool enabled) {
    ui_->confirmButton->setEnabled(enabled);
    ui_->resetButton->setEnabled(enabled);
    ui_->closeButton->setEnabled(enabled);
}

void CWifiSetupDlg_KP520::ShowNotice(const WirelessOutcome& outcome) {
    if (outcome.notice && isVisible())
        ShowNoticeBox(this, *outcome.notice);
}

void CWifiSetupDlg_KP520::OnConfirm() {
    const WifiConfig values = Values();
    const PortSettings target = port_.Target(settings_);
    const int lang = LanguageId();
    sendWorker_.Run(
        [values, target, lang](const TaskControl& task) {
            PrinterPortLink link(target);
            return SendWifiSettings(link, values, lang, task.Token());
        },
        [this, values](const WirelessOutcome& outcome) { FinishConfirm(outcome, values); });
}

void CWifiSetupDlg_KP520::FinishConfirm(const WirelessOutcome& outcome, const WifiConfig& sent) {
    // A missing field stops the command without a message.
    if (outcome.problem != WifiProblem::MissingField)
        ShowNotice(outcome);
    if (!outcome.ok || !isVisible() || !WifiJoinWaitApplies(sent))
        return;
    const QString question =
        Text(QT_TRANSLATE_NOOP("CWifiSetupDlg_KP520",
                               "The Wi-Fi settings were sent. Look for the printer on the "
                               "network for up to %1 s to see whether it joined?"))
            .arg(WIFI_JOIN_WAIT_DEFAULT_S);
    if (MessageService::Show(this, MessageIcon::Information, question,
                             QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        StartJoinWait(sent);
}

void CWifiSetupDlg_KP520::StartJoinWait(const WifiConfig& sent) {
    ui_->confirmButton->setEnabled(false);
    ui_->resetButton->setEnabled(false);
    const QString looking = Text(
        QT_TRANSLATE_NOOP("CWifiSetupDlg_KP520", "Looking for the printer on the network... %1 s"));
    ui_->joinStatus->setText(looking.arg(0));
    const WifiJoinTarget target = WifiJoinTargetFor(sent);
    QLabel* status = ui_->joinStatus;
    joinWorker_.Run(
        [target, status, looking](const TaskControl& task) {
            return WaitForWifiJoin(target, std::chrono::seconds(WIFI_JOIN_WAIT_DEFAULT_S),
                                   NetCfgAddresses::FromEnvironment(), task.Token(),
                                   [&task, status, looking](const WifiJoinProgress& p) {
                                       const auto seconds =
                                           static_cast<int>(p.elapsed.count() / 1000);
                                       task.Post([status, looking, seconds] {
                                           status->setText(looking.arg(seconds));
                                       });
                                   });
        },
        [this](const WifiJoinResult& result) { FinishJoinWait(result); });
}

void CWifiSetupDlg_KP520::FinishJoinWait(const WifiJoinResult& result) {
    ui_->confirmButton->setEnabled(true);
    ui_->resetButton->setEnabled(true);
    QString text;
    MessageIcon icon = MessageIcon::Warning;
    switch (result.outcome) {
    case WifiJoinOutcome::Found:
        icon = MessageIcon::Information;
        text = Text(QT_TRANSLATE_NOOP("CWifiSetupDlg_KP520",
                                      "The printer %1 (serial number %2, MAC %3) is on the "
                                      "network at %4."))
                   .arg(Q(result.device.name), Q(result.device.serial), Q(result.device.mac),
                        Q(result.device.ip));
        break;
    case WifiJoinOutcome::NotFound:
        text = Text(QT_TRANSLATE_NOOP("CWifiSetupDlg_KP520",
                                      "The printer did not appear on the network within %1 s."))
                   .arg(WIFI_JOIN_WAIT_DEFAULT_S);
        break;
    case WifiJoinOutcome::NoNetwork:
        text = Q(NetCfgOpenErrorMessage(result.openError, LanguageId()));
        break;
    case WifiJoinOutcome::Stopped:
        ui_->joinStatus->clear();
        return;
    }
    ui_->joinStatus->setText(text);
    if (isVisible())
        MessageService::Show(this, icon, text);
}

void CWifiSetupDlg_KP520::OnReset() {
    const PortSettings target = port_.Target(settings_);
    const int lang = LanguageId();
    SetButtonsEnabled(false);
    const bool started = sendWorker_.Run(
        [target, lang](const TaskControl& task) {
            PrinterPortLink link(target);
            return ResetWifiSettings(link, lang, task.Token());
        },
        [this](const WirelessOutcome& outcome) { FinishReset(outcome); });
    if (!started) // a "Confirm" still sends
        SetButtonsEnabled(true);
}

void CWifiSetupDlg_KP520::FinishReset(const WirelessOutcome& outcome) {
    ShowNotice(outcome);
    SetOpeningValues();
    SetButtonsEnabled(true);
}

void CWifiSetupDlg_KP520::done(int result) {
    // Closing ends a join wait; a send of a few bytes finishes by itself.
    joinWorker_.RequestStop();
    CPortCopyDialog::done(result);
}

} // namespace printune
