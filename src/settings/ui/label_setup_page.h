#pragma once
// CPrintingSetupKP520_1: the label-printer settings page (KP-520, KP-740,
// KP-500). The user reads and changes the printer's nineteen internal
// settings here and reads its serial number, firmware version and head
// mileage. Every printer operation is an engine function run on the page's
// one worker; the serial-line values the printer reports go to the main
// window (user message 6).
#include <array>
#include <memory>
#include <set>
#include <vector>

#include <QTimer>

#include "base/ui/async_task.h"
#include "port/ui/function_page.h"
#include "settings/label_commands.h"

namespace Ui {
class CPrintingSetupKP520_1;
}

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace printune {

struct LabelPageResult;

class CPrintingSetupKP520_1 : public CFunctionPage {
    Q_OBJECT

public:
    explicit CPrintingSetupKP520_1(QWidget* parent = nullptr);
    ~CPrintingSetupKP520_1() override;

    // Whether "Send Settings" will send the setting.
    bool ChangeMarked(int setting) const;
    // An operation runs (its buttons are disabled).
    bool Busy() const { return worker_.Busy(); }

signals:
    // User message 6: serial line values read from the printer changed the
    // page copy; the main window adopts them.
    void SerialValuesChanged(const printune::PortSettings& settings);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The pending marks: an operation whose reply is awaited.
    enum Pending : unsigned {
        PENDING_SETTINGS = 1,
        PENDING_SERIAL = 2,
        PENDING_VERSION = 4,
        PENDING_STATISTICS = 8,
    };

    void BindControls();
    void SetTooltips();
    void RebuildEmulationList();
    void OnListChosen(int setting);
    void OnEditChanged(int setting);
    void SetChangeMark(int setting);
    void ShowMarks();
    LabelValue ValueOf(int setting) const;
    std::vector<LabelValue> PageValues() const;
    void SetValue(int setting, const LabelValue& value);
    QString SettingNames(const std::vector<int>& settings) const;

    void OnSaveProfile();
    void OnLoadProfile();

    void OnGetSettings();
    void OnReset();
    void OnSend();
    void OnVerify(const std::vector<std::pair<int, LabelValue>>& sent);
    void OnCommand(LabelRequest kind); // Print Self-test, Calibrate label
    void OnReadText(LabelRequest kind, unsigned pending);

    // Starts an operation: buttons off, the pending mark set, the work run.
    template <class Work>
    void Start(unsigned pending, Work work);
    void Finish(const LabelPageResult& result);
    void ShowFailure(const LabelPageResult& result);
    void ApplySettings(const LabelSettings& settings);
    void AdoptSerialLine(const PortSettings& copy);
    void SetButtonsEnabled(bool enabled);
    void Complete();
    void ClearChangeMarks();

    std::unique_ptr<Ui::CPrintingSetupKP520_1> ui_;
    std::array<QLabel*, LABEL_SETTING_COUNT> labels_{};
    std::array<QComboBox*, LABEL_SETTING_COUNT> lists_{};
    std::array<QLineEdit*, LABEL_SETTING_COUNT> edits_{};
    std::array<QPushButton*, 8> buttons_{};

    std::array<bool, LABEL_SETTING_COUNT> changeMarks_{};
    std::set<int> unsent_;   // changed since the last "Send Settings"
    std::set<int> notTaken_; // sent, but read back with another value
    unsigned pending_ = 0;
    unsigned running_ = 0; // the pending mark of the operation that runs
    bool completionWanted_ = false;

    QTimer clearMarksTimer_; // timer 3: 500 ms after a factory reset
    QTimer completionTimer_; // timer 4: 100 ms after an exchange ended
    AsyncTask worker_;
};

} // namespace printune
