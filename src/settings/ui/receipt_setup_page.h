#pragma once
// CInternalSetupHT740: the receipt-printer settings page (HT-740, HT-750).
// Eight settings, three buttons and the printer's live status. Every
// printer operation is an engine function run on the page's worker; the
// page keeps the widgets, the change marks, the pending read and the
// completion pause that passes the printer's serial values on.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/ui/async_task.h"
#include "port/ui/function_page.h"
#include "settings/receipt_operations.h"
#include "settings/receipt_status.h"

namespace Ui {
class CInternalSetupHT740;
}

class QComboBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace printune {

// How a read or restore ended, as the GUI thread needs it.
struct ReceiptPageReport {
    ReceiptReadResult read;
    PortSettings copy; // the worker's copy, serial texts adopted
    int portType = 0;  // the transport a failure belongs to
    int sysErrno = 0;  // the cause behind a port code, for the remedy line
};

class CInternalSetupHT740 : public CFunctionPage {
    Q_OBJECT

public:
    explicit CInternalSetupHT740(QWidget* parent = nullptr);
    ~CInternalSetupHT740() override;

    const ReceiptMarks& Marks() const { return marks_; }
    bool ReadPending() const { return pending_; }
    // A worker (operation or status inquiry) is running.
    bool Busy() const { return worker_.Busy(); }

    // The completion pause after a read (timer 4).
    static constexpr int COMPLETION_MS = 100;

signals:
    // User message 6: serial line values read from the printer changed the
    // page copy; the main window adopts them.
    void SerialValuesChanged(const printune::PortSettings& settings);

protected:
    void paintEvent(QPaintEvent* event) override;
    void OnSettingsChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnGetSettings();
    void OnRestore();
    void OnSend();
    void OnQueryStatus();
    void OnListActivated(int setting);
    void OnDistanceEdited(int setting);
    void OnCompletion();

    void StartRead(bool restore);
    void FinishRead(const ReceiptPageReport& report);
    void FinishSend(const ExchangeResult& result, int portType, int sysErrno);
    void FinishOperation();
    void ShowFailure(const ExchangeResult& result, int portType, int sysErrno);
    void ApplyDecoded(const ReceiptSettings& settings);
    // Runs `start` now, or once a running status inquiry has stopped.
    void RunOrDefer(std::function<void()> start);
    void StartStatusInquiry();
    void ShowStatus(const ReceiptStatus& status);
    void ShowProgress(ReceiptStep step);

    void SetOperationButtonsEnabled(bool enabled);
    void EnableAfterTimer();
    void ApplyCutterRule();
    int ModelPositionOfCopy() const;
    void ReadControls();
    void PutFields();
    ReceiptValues CurrentValues() const;
    QComboBox* ListOf(int setting) const;
    QLineEdit* EditOf(int setting) const;
    QLabel* LabelOf(int setting) const;
    void ShowMarks();
    QString SettingNames(const std::vector<int>& settings) const;
    void OnSaveProfile();
    void OnLoadProfile();
    QString Text(const char* source) const;

    std::unique_ptr<Ui::CInternalSetupHT740> ui_;
    ReceiptMarks marks_{};
    // The two distance text fields, by setting number (others unused).
    std::array<std::string, RECEIPT_SETTING_COUNT> fields_;
    bool pending_ = false;
    ReceiptStatus status_; // the last one asked (unknown until then)
    bool statusRunning_ = false;
    std::function<void()> deferred_;
    QTimer* completionTimer_;
    // One worker: the port is used by one operation at a time.
    AsyncTask worker_;
};

} // namespace printune
