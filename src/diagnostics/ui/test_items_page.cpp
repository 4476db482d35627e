#include "diagnostics/ui/test_items_page.h"

#include <QDir>

#include "base/language.h"
#include "port/models.h"
#include "base/ui/text_service.h"
#include "diagnostics/print_tests.h"
#include "diagnostics/ui/notice_box.h"
#include "ui_test_items_page.h"

namespace printune {

CTestItemDialog::CTestItemDialog(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CTestItemDialog>()) {
    ui_->setupUi(this);
    ui_->baudCombo->setCurrentIndex(3); // 9600

    connect(ui_->chineseStartButton, &QPushButton::clicked, this, &CTestItemDialog::OnChineseTest);
    connect(ui_->asciiStartButton, &QPushButton::clicked, this, &CTestItemDialog::OnAsciiTest);
    connect(ui_->asciiStopButton, &QPushButton::clicked, this, &CTestItemDialog::OnStopTest);
    connect(ui_->testPrnButton, &QPushButton::clicked, this, &CTestItemDialog::OnTestPrint);
    connect(ui_->okButton, &QPushButton::clicked, this, &CTestItemDialog::OnBaudRate);
    connect(ui_->blackPrnButton, &QPushButton::clicked, this,
            [this] { SendTest(BlackBarBytes()); });
    connect(ui_->bmTestButton, &QPushButton::clicked, this, [this] {
        SendTest(FixedTestBytes(ui_->cutAfterPrintCheck->isEnabled() &&
                                        ui_->cutAfterPrintCheck->isChecked()
                                    ? FixedTest::BlackMarkTestCut
                                    : FixedTest::BlackMarkTest));
    });
    const std::pair<QPushButton*, FixedTest> fixed[] = {
        {ui_->bmEnableButton, FixedTest::BlackMarkEnable},
        {ui_->bmDisableButton, FixedTest::BlackMarkDisable},
        {ui_->cutEnableButton, FixedTest::CutEnable},
        {ui_->cutDisableButton, FixedTest::CutDisable},
        {ui_->fullCutButton, FixedTest::FullCut},
        {ui_->partialCutButton, FixedTest::PartialCut},
        {ui_->drawer1Button, FixedTest::Drawer1},
        {ui_->drawer2Button, FixedTest::Drawer2},
    };
    for (const auto& [button, test] : fixed)
        connect(button, &QPushButton::clicked, this,
                [this, test = test] { SendTest(FixedTestBytes(test)); });
}

CTestItemDialog::~CTestItemDialog() = default;

int CTestItemDialog::ModelPosition() const {
    const int position = printune::ModelPosition(settings_.printerModel, LanguageId());
    if (position != 0)
        return position;
    return printune::ModelPosition(settings_.printerModel,
                                   LanguageId() == LANG_CHINESE ? LANG_ENGLISH : LANG_CHINESE);
}

void CTestItemDialog::OnSettingsChanged() {
    // The cutter rule holds from the start, not only after the first test:
    // a printer without a cutter is never sent a cut.
    SetTestButtons(!worker_.Busy());
}

void CTestItemDialog::SetTestButtons(bool enable) {
    const TestButtonStates states = TestButtonsFor(enable, ModelPosition());
    for (QWidget* w : std::initializer_list<QWidget*>{
             ui_->chineseStartButton, ui_->asciiStartButton, ui_->bmEnableButton,
             ui_->bmDisableButton, ui_->bmTestButton, ui_->blackPrnButton, ui_->testPrnButton,
             ui_->drawer1Button, ui_->drawer2Button, ui_->okButton})
        w->setEnabled(states.tests);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->cutEnableButton, ui_->cutDisableButton,
                                                      ui_->fullCutButton, ui_->partialCutButton})
        w->setEnabled(states.cutterButtons);
    ui_->cutAfterPrintCheck->setEnabled(states.cutAfterPrint);
}

void CTestItemDialog::SendTest(std::vector<uint8_t> bytes) {
    if (worker_.Busy())
        return;
    SetTestButtons(false);
    const PortSettings copy = settings_;
    const int language = LanguageId();
    worker_.Run(
        [copy, bytes = std::move(bytes), language](const TaskControl&) {
            PrinterPortLink link(copy);
            return SendToPrinter(link, bytes, language);
        },
        [this](const SendOutcome& outcome) { Finish(outcome); });
}

void CTestItemDialog::Finish(const SendOutcome& outcome) {
    SetTestButtons(true);
    if (!outcome.ok && outcome.notice)
        ShowNotice(this, *outcome.notice);
}

void CTestItemDialog::OnChineseTest() {
    const FontStyle style{ui_->chineseWidthCheck->isChecked(), ui_->chineseHeightCheck->isChecked(),
                          ui_->chineseUnderlineCheck->isChecked()};
    SendTest(ChineseTestBytes(ui_->chineseSectionCombo->currentIndex() + 1, style));
}

void CTestItemDialog::OnAsciiTest() {
    if (worker_.Busy())
        return;
    const FontStyle style{ui_->asciiWidthCheck->isChecked(), ui_->asciiHeightCheck->isChecked(),
                          ui_->asciiUnderlineCheck->isChecked()};
    const AsciiPattern pattern = ui_->hPrintRadio->isChecked()   ? AsciiPattern::LetterH
                                 : ui_->iPrintRadio->isChecked() ? AsciiPattern::LetterI
                                                                 : AsciiPattern::Alphabet;
    const auto bytes = AsciiTestBytes(pattern, ui_->fontCombo->currentIndex() == 0, style);
    asciiStop_ = std::stop_source();
    SetTestButtons(false);
    const PortSettings copy = settings_;
    const int language = LanguageId();
    // "Stop test" lets the line under way print; closing the page does not.
    worker_.Run(
        [copy, bytes, language, stopTest = asciiStop_.get_token()](const TaskControl& task) {
            PrinterPortLink link(copy);
            return RunAsciiTest(link, bytes, stopTest, task.Token(), language);
        },
        [this](const SendOutcome& outcome) { Finish(outcome); });
}

void CTestItemDialog::OnStopTest() {
    asciiStop_.request_stop();
}

void CTestItemDialog::OnTestPrint() {
    if (worker_.Busy())
        return;
    SetTestButtons(false);
    const PortSettings copy = settings_;
    const int language = LanguageId();
    const std::string path = S(QDir::current().filePath(QString::fromLatin1(TEST_DATA_FILE)));
    worker_.Run(
        [copy, path, language](const TaskControl&) {
            PrinterPortLink link(copy);
            return RunTestPrint(link, path, language);
        },
        [this](const SendOutcome& outcome) { Finish(outcome); });
}

void CTestItemDialog::OnBaudRate() {
    // Tells the printer its new rate only; the connection keeps its own.
    SendTest(BaudRateTestBytes(ui_->baudCombo->currentIndex()));
}

} // namespace printune
