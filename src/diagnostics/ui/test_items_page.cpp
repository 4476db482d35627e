#include "diagnostics/ui/test_items_page.h"

#include "ui_test_items_page.h"

namespace printune {

CTestItemDialog::CTestItemDialog(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CTestItemDialog>()) {
    ui_->setupUi(this);
}

CTestItemDialog::~CTestItemDialog() = default;

} // namespace printune
