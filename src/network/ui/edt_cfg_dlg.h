#pragma once
// CEdtCfgDlg: "Configure Network". Shows a network printer's identity and
// parameters and lets the user edit them; the caller reads the checked
// values after "OK" and sends them. Received-entries mode takes the values
// of the label protocol's last reply; HT-740 mode reads the printer's
// configuration itself through its own client.
#include <memory>

#include <QDialog>

#include "base/ui/async_task.h"
#include "network/htnet_client.h"
#include "network/net_fields.h"

namespace Ui {
class CEdtCfgDlg;
}

namespace printune {

class CEdtCfgDlg : public QDialog {
    Q_OBJECT

public:
    explicit CEdtCfgDlg(int languageId, QWidget* parent = nullptr);
    ~CEdtCfgDlg() override;

    // Received-entries mode; `mac` shows when the reply names none.
    void SetEntries(const NetCfgEntryList& entries, const std::string& codePage,
                    const std::string& mac);
    // HT-740 mode: shows the caller's texts, then reads the configuration.
    void SetHt(const HtDeviceRecord& record, const std::string& mac, const std::string& serial,
               const std::string& name, const std::string& codePage);

    // After "OK": the values that passed the checks.
    const NetConfigFields& Fields() const { return fields_; }
    // HT-740 mode: what the query read, and whether it succeeded.
    bool ConfigurationLoaded() const { return loaded_; }
    const HtNetConfig& Configuration() const { return config_; }
    bool Busy() const { return worker_.Busy(); }

    void accept() override;

protected:
    void done(int result) override;

private:
    void Show(const NetConfigFields& fields);
    void SetQueryRunning(bool running);

    std::unique_ptr<Ui::CEdtCfgDlg> ui_;
    int languageId_;
    NetConfigFields fields_;
    HtNetConfig config_{};
    bool loaded_ = false;
    std::shared_ptr<HtNetClient> client_;
    AsyncTask worker_;
};

} // namespace printune
