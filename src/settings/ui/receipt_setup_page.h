#pragma once
// CInternalSetupHT740: the receipt-printer settings page (HT-740, HT-750).
// Only its frame exists so far: the page is created by the main window,
// receives the distributed settings and shows its title. Its controls and
// printer operations are added by a later piece of work; it is not done.
#include <memory>

#include "port/ui/function_page.h"

namespace Ui {
class CInternalSetupHT740;
}

namespace printune {

class CInternalSetupHT740 : public CFunctionPage {
    Q_OBJECT

public:
    explicit CInternalSetupHT740(QWidget* parent = nullptr);
    ~CInternalSetupHT740() override;

signals:
    // User message 6: serial line values read from the printer changed the
    // page copy; the main window adopts them.
    void SerialValuesChanged(const printune::PortSettings& settings);

private:
    std::unique_ptr<Ui::CInternalSetupHT740> ui_;
};

} // namespace printune
