#include "settings/ui/receipt_setup_page.h"

#include "ui_receipt_setup_page.h"

namespace printune {

CInternalSetupHT740::CInternalSetupHT740(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CInternalSetupHT740>()) {
    ui_->setupUi(this);
}

CInternalSetupHT740::~CInternalSetupHT740() = default;

} // namespace printune
