#include "settings/ui/label_setup_page.h"

#include "ui_label_setup_page.h"

namespace printune {

CPrintingSetupKP520_1::CPrintingSetupKP520_1(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CPrintingSetupKP520_1>()) {
    ui_->setupUi(this);
}

CPrintingSetupKP520_1::~CPrintingSetupKP520_1() = default;

} // namespace printune
