#include "diagnostics/ui/command_test_page.h"

#include "ui_command_test_page.h"

namespace printune {

CCommandTest::CCommandTest(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CCommandTest>()) {
    ui_->setupUi(this);
}

CCommandTest::~CCommandTest() = default;

} // namespace printune
