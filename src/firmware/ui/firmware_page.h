#pragma once
// CUpgradeFW: the firmware update page.
// Only its frame exists so far: the page is created by the main window,
// receives the distributed settings and shows its title. Its controls and
// printer operations are added by a later piece of work; it is not done.
#include <memory>

#include "port/ui/function_page.h"

namespace Ui {
class CUpgradeFW;
}

namespace printune {

class CUpgradeFW : public CFunctionPage {
    Q_OBJECT

public:
    explicit CUpgradeFW(QWidget* parent = nullptr);
    ~CUpgradeFW() override;

    // The main window's start-up sets the buttons by the interface type:
    // "Download Mode" for USB and the network, "Update" also for the network.
    void SetInterfaceButtons(int portType);
    bool DownloadModeEnabled() const { return downloadModeEnabled_; }
    bool UpdateEnabled() const { return updateEnabled_; }

private:
    bool downloadModeEnabled_ = false;
    bool updateEnabled_ = false;
    std::unique_ptr<Ui::CUpgradeFW> ui_;
};

} // namespace printune
