#pragma once
// CHT740EnthernetDlg: "Network Settings" for the receipt printers. Finds
// the HT-740 family on the network, configures one through CEdtCfgDlg,
// and hands the chosen IP address and print port to the interface page.
#include <memory>

#include "base/ui/async_task.h"
#include "network/htnet_setup.h"
#include "port/ui/port_copy_dialog.h"

namespace Ui {
class CHT740EnthernetDlg;
}
class QTreeWidgetItem;

namespace printune {

class CHT740EnthernetDlg : public CPortCopyDialog {
    Q_OBJECT

public:
    explicit CHT740EnthernetDlg(QWidget* parent = nullptr);
    ~CHT740EnthernetDlg() override;

    void Prepare(const PortState& port, const PortSettings& settings) override;
    bool Busy() const { return worker_.Busy(); }
    // The last setup's outcome (tests, status).
    const HtSetupResult& LastSetup() const { return lastSetup_; }

    void accept() override;

protected:
    void done(int result) override;

private:
    void OnSearch();
    void AddRow(const HtDeviceRecord& record);
    void OnRowClicked(QTreeWidgetItem* item);
    void OnSetup();
    void SetButtonsEnabled(bool enabled);

    std::unique_ptr<Ui::CHT740EnthernetDlg> ui_;
    PortState port_;
    PortSettings settings_;
    int languageId_ = 0;
    std::string codePage_;
    int printPort_ = 0;
    std::vector<HtDeviceRecord> found_; // in order of arrival
    int selectedRecord_ = -1;           // index into found_
    std::shared_ptr<HtNetClient> client_;
    HtSetupResult lastSetup_;
    AsyncTask worker_;
};

} // namespace printune
