#include "firmware/ui/firmware_page.h"

#include "ui_firmware_page.h"

namespace printune {

CUpgradeFW::CUpgradeFW(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CUpgradeFW>()) {
    ui_->setupUi(this);
}

CUpgradeFW::~CUpgradeFW() = default;

void CUpgradeFW::SetInterfaceButtons(int portType) {
    downloadModeEnabled_ = portType == PORT_USB || portType == PORT_LAN;
    if (portType == PORT_LAN)
        updateEnabled_ = true;
}

} // namespace printune
