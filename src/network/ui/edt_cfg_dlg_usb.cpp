#include "network/ui/edt_cfg_dlg_usb.h"

#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/ui/net_dialog_util.h"
#include "ui_edt_cfg_dlg_usb.h"

namespace printune {

CEdtCfgDlgUSB::CEdtCfgDlgUSB(int languageId, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CEdtCfgDlgUSB>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    SetHandCursors(this);
    for (const std::string& choice : NetDhcpChoices(languageId))
        ui_->dhcpCombo->addItem(Q(choice));
    ui_->dhcpCombo->setCurrentIndex(values_.dhcpIndex);
    for (QLineEdit* e : {ui_->ipEdit, ui_->maskEdit, ui_->gatewayEdit})
        SetAddressValidator(e);
    ShowAddress(ui_->ipEdit, values_.ip);
    ShowAddress(ui_->maskEdit, values_.mask);
    ShowAddress(ui_->gatewayEdit, values_.gateway);
    connect(ui_->okButton, &QPushButton::clicked, this, &CEdtCfgDlgUSB::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CEdtCfgDlgUSB::reject);
}

CEdtCfgDlgUSB::~CEdtCfgDlgUSB() = default;

void CEdtCfgDlgUSB::accept() {
    NetParamFields v = values_;
    v.dhcpIndex = ui_->dhcpCombo->currentIndex();
    const auto ip = AddressIn(ui_->ipEdit);
    const auto mask = AddressIn(ui_->maskEdit);
    const auto gateway = AddressIn(ui_->gatewayEdit);
    // An address control always holds four octets; an unfinished edit is
    // refused instead of sending a guess.
    if (!ip || !mask || !gateway) {
        MessageService::Show(this, MessageIcon::Warning,
                             tr("Please enter a complete IP address, subnet mask and gateway."));
        return;
    }
    v.ip = *ip;
    v.mask = *mask;
    v.gateway = *gateway;
    v.sendByEther = ui_->etherCheck->isChecked();
    values_ = v;
    QDialog::accept();
}

} // namespace printune
