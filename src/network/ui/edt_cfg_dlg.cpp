#include "network/ui/edt_cfg_dlg.h"

#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/ui/net_dialog_util.h"
#include "ui_edt_cfg_dlg.h"

namespace printune {

namespace {

struct HtRead {
    HtResult result = HtResult::NoReply;
    HtNetConfig config{};
};

} // namespace

CEdtCfgDlg::CEdtCfgDlg(int languageId, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CEdtCfgDlg>()), languageId_(languageId) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    SetHandCursors(this);
    for (const std::string& choice : NetDhcpChoices(languageId))
        ui_->dhcpCombo->addItem(Q(choice));
    ui_->dhcpCombo->setCurrentIndex(-1);
    for (QLineEdit* e : {ui_->currentIpEdit, ui_->ipEdit, ui_->maskEdit, ui_->gatewayEdit})
        SetAddressValidator(e);
    ui_->printPortEdit->setMaxLength(5);
    ui_->timeoutEdit->setMaxLength(4);
    connect(ui_->okButton, &QPushButton::clicked, this, &CEdtCfgDlg::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CEdtCfgDlg::reject);
}

CEdtCfgDlg::~CEdtCfgDlg() = default;

void CEdtCfgDlg::SetEntries(const NetCfgEntryList& entries, const std::string& codePage,
                            const std::string& mac) {
    fields_ = NetConfigFields::FromEntries(entries, codePage);
    if (fields_.mac.empty())
        fields_.mac = mac;
    Show(fields_);
}

void CEdtCfgDlg::SetHt(const HtDeviceRecord& record, const std::string& mac,
                       const std::string& serial, const std::string& name,
                       const std::string& codePage) {
    fields_ = NetConfigFields{};
    fields_.mac = mac;
    fields_.serial = serial;
    fields_.deviceName = name;
    fields_.timeoutEditable = false;
    Show(fields_);
    loaded_ = false;
    HtNetOptions options = HtNetOptions::FromEnvironment();
    options.directed = false; // one request, one answer per printer
    client_ = std::make_shared<HtNetClient>(options);
    SetQueryRunning(true);
    worker_.Run(
        [client = client_, record](const TaskControl& task) {
            std::stop_callback cancel(task.Token(), [&client] { client->Cancel(); });
            HtRead read;
            read.result = client->Query(record);
            read.config = client->Configuration();
            return read;
        },
        [this, record, codePage](const HtRead& read) {
            SetQueryRunning(false);
            if (read.result != HtResult::Done)
                return; // the caller's texts stay; nothing will be sent
            loaded_ = true;
            config_ = read.config;
            const NetConfigFields shown = fields_;
            fields_ = NetConfigFields::FromHt(record, config_, codePage);
            // The list's texts stay where the read has none.
            if (fields_.serial.empty())
                fields_.serial = shown.serial;
            Show(fields_);
        });
}

void CEdtCfgDlg::SetQueryRunning(bool running) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{ui_->dhcpCombo, ui_->okButton, ui_->cancelButton})
        w->setEnabled(!running);
}

void CEdtCfgDlg::Show(const NetConfigFields& f) {
    ui_->nameEdit->setText(Q(f.deviceName));
    ui_->versionEdit->setText(Q(f.version));
    ui_->macEdit->setText(Q(f.mac));
    ui_->serialEdit->setText(Q(f.serial));
    ui_->dhcpCombo->setCurrentIndex(f.dhcpIndex >= 0 && f.dhcpIndex < 2 ? f.dhcpIndex : -1);
    if (f.currentIp)
        ShowAddress(ui_->currentIpEdit, f.currentIp);
    else
        ui_->currentIpEdit->setText(Q(f.currentIpText));
    ShowAddress(ui_->ipEdit, f.ip);
    ShowAddress(ui_->maskEdit, f.mask);
    ShowAddress(ui_->gatewayEdit, f.gateway);
    ui_->printPortEdit->setText(Q(f.printPort));
    ui_->timeoutEdit->setText(Q(f.printTimeout));
    ui_->timeoutEdit->setEnabled(f.timeoutEditable);
}

void CEdtCfgDlg::accept() {
    if (worker_.Busy())
        return;
    NetConfigFields f = fields_;
    f.dhcpIndex = ui_->dhcpCombo->currentIndex();
    f.ip = AddressIn(ui_->ipEdit);
    f.mask = AddressIn(ui_->maskEdit);
    f.gateway = AddressIn(ui_->gatewayEdit);
    f.printPort = S(ui_->printPortEdit->text().trimmed());
    f.printTimeout = S(ui_->timeoutEdit->text().trimmed());
    if (const auto problem = f.Check(languageId_)) {
        MessageService::Show(this, MessageIcon::Warning, Q(problem->message));
        return;
    }
    fields_ = f;
    QDialog::accept();
}

void CEdtCfgDlg::done(int result) {
    // A configuration read still running ends with the dialog.
    worker_.RequestStop();
    if (client_)
        client_->Cancel();
    QDialog::done(result);
}

} // namespace printune
