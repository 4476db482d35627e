#pragma once
// CWifiSetupDlg_KP520: the modal "Wi-Fi Setup" dialog for the Wi-Fi label
// printer. It sends the Wi-Fi mode, SSID, encryption, key and IP parameters
// as one command through the interface page's connection, or the Wi-Fi
// reset. After a command for STA mode it offers to look for the printer on
// the network. It lives as long as the interface page.
#include <memory>

#include "base/ui/async_task.h"
#include "network/wifi_commands.h"
#include "port/ui/port_copy_dialog.h"

namespace Ui {
class CWifiSetupDlg_KP520;
}

namespace printune {

struct Notice;
struct WirelessOutcome;
struct WifiJoinResult;

// Shows an engine's notice with its icon, the remedy line under the text.
void ShowNoticeBox(QWidget* owner, const Notice& notice);

class CWifiSetupDlg_KP520 : public CPortCopyDialog {
    Q_OBJECT

public:
    explicit CWifiSetupDlg_KP520(QWidget* parent = nullptr);
    ~CWifiSetupDlg_KP520() override;

    // The page's copies, taken at every opening; the controls go back to
    // their opening values.
    void Prepare(const PortState& port, const PortSettings& settings) override;

    // The controls as a configuration (a blank address is empty).
    WifiConfig Values() const;
    // Running operations (tests wait for them).
    bool Busy() const;

protected:
    void done(int result) override;

private:
    void SetOpeningValues();
    void OnEncryptionChanged(int index);
    void OnConfirm();
    void OnReset();
    void FinishConfirm(const WirelessOutcome& outcome, const WifiConfig& sent);
    void FinishReset(const WirelessOutcome& outcome);
    void StartJoinWait(const WifiConfig& sent);
    void FinishJoinWait(const WifiJoinResult& result);
    void ShowNotice(const WirelessOutcome& outcome);
    void SetButtonsEnabled(bool enabled);
    int LanguageId() const;
    QString Text(const char* source) const;

    std::unique_ptr<Ui::CWifiSetupDlg_KP520> ui_;
    PortState port_;
    PortSettings settings_;
    // "Confirm" leaves the buttons enabled: a second press while a send still
    // runs finds the slot busy and sends nothing, so two sends never share
    // the port.
    AsyncTask sendWorker_;
    AsyncTask joinWorker_;
};

} // namespace printune
