#pragma once
// CBluetoothSetupDlg: the modal "Bluetooth Settings" dialog. It sends the
// Bluetooth name and password, restores all settings, or reads the name,
// password and MAC address back, through the interface page's connection.
// It lives as long as the interface page, so the fields keep their values.
#include <memory>

#include "base/ui/async_task.h"
#include "network/ui/wifi_setup_dlg_kp520.h"

namespace Ui {
class CBluetoothSetupDlg;
}

namespace printune {

struct BluetoothDialogResult;

class CBluetoothSetupDlg : public CPortCopyDialog {
    Q_OBJECT

public:
    explicit CBluetoothSetupDlg(QWidget* parent = nullptr);
    ~CBluetoothSetupDlg() override;

    // The page's copies, taken at every opening.
    void Prepare(const PortState& port, const PortSettings& settings) override;
    bool Busy() const { return worker_.Busy(); }

protected:
    void done(int result) override;

private:
    enum class Action { Send, Restore, Get };
    void Start(Action action);
    void Finish(const BluetoothDialogResult& result);
    void SetButtonsEnabled(bool enabled);

    std::unique_ptr<Ui::CBluetoothSetupDlg> ui_;
    PortState port_;
    PortSettings settings_;
    AsyncTask worker_;
};

} // namespace printune
