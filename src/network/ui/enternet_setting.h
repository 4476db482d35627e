#pragma once
// CEnternetSetting: "Network Setting" for the label printers. Finds the
// printers on the network, queries one on a click, configures it (or a
// printer on USB/TCP when none is selected), and hands the chosen IP
// address and print port to the interface page on "OK".
#include <memory>

#include <QElapsedTimer>
#include <QTimer>

#include "base/ui/async_task.h"
#include "network/netcfg_setup.h"
#include "port/ui/port_copy_dialog.h"

namespace Ui {
class CEnternetSetting;
}
class QTreeWidgetItem;

namespace printune {

struct NetQueryOutcome;
struct NetParamSent;

class CEnternetSetting : public CPortCopyDialog {
    Q_OBJECT

public:
    explicit CEnternetSetting(QWidget* parent = nullptr);
    ~CEnternetSetting() override;

    void Prepare(const PortState& port, const PortSettings& settings) override;
    bool Busy() const { return worker_.Busy(); }

    void accept() override;

protected:
    void done(int result) override;

private:
    void OnSearch();
    void OnRowClicked(QTreeWidgetItem* item);
    void OnRowDoubleClicked(QTreeWidgetItem* item);
    void OnSetup();
    void SetupSelected();
    void SetupOverUsb();
    void ShowRows(const std::vector<NetCfgRow>& rows);
    void ApplyQuery(const NetQueryOutcome& outcome);
    void FinishSetup(const NetCfgSetupResult& result);
    void FinishUsbSetup(const NetParamSent& sent);
    void SetButtonsEnabled(bool enabled);
    void ClearFields();
    void ShowStatus();

    std::unique_ptr<Ui::CEnternetSetting> ui_;
    PortState port_;
    PortSettings settings_;
    int languageId_ = 0;
    std::string codePage_;
    std::string selectedMac_, selectedSerial_; // as the printer sent them
    int selectedRow_ = -1;
    bool setupPending_ = false;
    bool configuredOverUsb_ = false;
    int found_ = 0;
    QElapsedTimer searchClock_;
    QTimer statusTimer_;
    AsyncTask worker_;
};

} // namespace printune
