#pragma once
// CTestItemDialog: the "Test Items" page of the receipt printers. Each
// button sends one print test: character sets, black mark, black bar, the
// test data file, cutter, cash drawer, baud rate. Every test runs on the
// page's worker and holds the test buttons disabled while it runs.
#include <memory>
#include <stop_token>
#include <vector>

#include "port/ui/function_page.h"
#include "base/ui/async_task.h"

namespace Ui {
class CTestItemDialog;
}

namespace printune {

struct SendOutcome;

class CTestItemDialog : public CFunctionPage {
    Q_OBJECT

public:
    explicit CTestItemDialog(QWidget* parent = nullptr);
    ~CTestItemDialog() override;

    // Enables or disables the test buttons; the cutter controls follow the
    // model's cutter rule. "Stop test" stays usable.
    void SetTestButtons(bool enable);
    bool Testing() const { return worker_.Busy(); }

protected:
    void OnSettingsChanged() override;

private:
    int ModelPosition() const;
    // Runs one send of bytes on the worker.
    void SendTest(std::vector<uint8_t> bytes);
    void OnChineseTest();
    void OnAsciiTest();
    void OnStopTest();
    void OnTestPrint();
    void OnBaudRate();
    void Finish(const SendOutcome& outcome);

    std::unique_ptr<Ui::CTestItemDialog> ui_;
    std::stop_source asciiStop_; // "Stop test" of the running ASCII test
    AsyncTask worker_;
};

} // namespace printune
