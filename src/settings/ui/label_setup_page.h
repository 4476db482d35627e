#pragma once
// CPrintingSetupKP520_1: the label-printer settings page (KP-520, KP-740, KP-500).
// Only its frame exists so far: the page is created by the main window,
// receives the distributed settings and shows its title. Its controls and
// printer operations are added by a later piece of work; it is not done.
#include <memory>

#include "port/ui/function_page.h"

namespace Ui {
class CPrintingSetupKP520_1;
}

namespace printune {

class CPrintingSetupKP520_1 : public CFunctionPage {
    Q_OBJECT

public:
    explicit CPrintingSetupKP520_1(QWidget* parent = nullptr);
    ~CPrintingSetupKP520_1() override;

signals:
    // User message 6: serial line values read from the printer changed the
    // page copy; the main window adopts them.
    void SerialValuesChanged(const printune::PortSettings& settings);

private:
    std::unique_ptr<Ui::CPrintingSetupKP520_1> ui_;
};

} // namespace printune
