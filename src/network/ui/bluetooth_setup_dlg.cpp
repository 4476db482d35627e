#include "network/ui/bluetooth_setup_dlg.h"

#include "base/device_texts.h"
#include "base/language.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/wireless_operations.h"
#include "ui_bluetooth_setup_dlg.h"

namespace printune {

// What a worker hands back: a send or restore outcome, or a get result.
struct BluetoothDialogResult {
    bool get = false;
    WirelessOutcome sent;
    BluetoothGetResult read;
};

CBluetoothSetupDlg::CBluetoothSetupDlg(QWidget* parent)
    : CPortCopyDialog(parent), ui_(std::make_unique<Ui::CBluetoothSetupDlg>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    ui_->remarkLabel->setText(Q(DeviceTextString(DeviceText::BtRemark, UiLanguageId())));
    ui_->nameEdit->setMaxLength(BT_NAME_EDIT_MAX);
    ui_->passwordEdit->setMaxLength(BT_PASSWORD_LENGTH);
    connect(ui_->sendButton, &QPushButton::clicked, this, [this] { Start(Action::Send); });
    connect(ui_->restoreButton, &QPushButton::clicked, this, [this] { Start(Action::Restore); });
    connect(ui_->getButton, &QPushButton::clicked, this, [this] { Start(Action::Get); });
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
}

CBluetoothSetupDlg::~CBluetoothSetupDlg() = default;

void CBluetoothSetupDlg::Prepare(const PortState& port, const PortSettings& settings) {
    port_ = port;
    settings_ = settings;
}

void CBluetoothSetupDlg::SetButtonsEnabled(bool enabled) {
    for (QPushButton* b : {ui_->sendButton, ui_->okButton, ui_->getButton, ui_->restoreButton})
        b->setEnabled(enabled);
}

void CBluetoothSetupDlg::Start(Action action) {
    const int lang = LanguageIdFromSetting(settings_.language);
    // Send and restore go over the dialog's copy; the get takes its port type
    // from the program's current connection.
    PortSettings copy = settings_;
    if (action == Action::Get)
        copy.portType = CurrentPortSettings().portType;
    const PortSettings target = port_.Target(copy);
    const std::string name = S(ui_->nameEdit->text());
    const std::string password = S(ui_->passwordEdit->text());
    const bool started = worker_.Run(
        [action, lang, target, name, password](const TaskControl& task) {
            BluetoothDialogResult r;
            PrinterPortLink link(target);
            switch (action) {
            case Action::Send:
                r.sent = SendBluetoothSettings(link, name, password, lang, task.Token());
                break;
            case Action::Restore:
                r.sent = RestoreBluetoothSettings(link, lang, task.Token());
                break;
            case Action::Get:
                r.get = true;
                r.read = GetBluetoothSettings(link, task.Token(), lang);
                break;
            }
            return r;
        },
        [this](const BluetoothDialogResult& r) { Finish(r); });
    if (started)
        SetButtonsEnabled(false);
}

void CBluetoothSetupDlg::done(int result) {
    // A get still waiting for its reply ends with the dialog.
    worker_.RequestStop();
    CPortCopyDialog::done(result);
}

void CBluetoothSetupDlg::Finish(const BluetoothDialogResult& r) {
    SetButtonsEnabled(true);
    if (r.get && r.read.ok) {
        ui_->macEdit->setText(Q(r.read.info.mac));
        ui_->passwordEdit->setText(Q(r.read.info.password));
        ui_->nameEdit->setText(Q(r.read.info.name));
        return;
    }
    const std::optional<Notice>& notice = r.get ? r.read.notice : r.sent.notice;
    if (notice && isVisible())
        ShowNoticeBox(this, *notice);
}

} // namespace printune
