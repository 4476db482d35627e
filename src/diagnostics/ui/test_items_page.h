#pragma once
// CTestItemDialog: the print tests page of the receipt printers.
// Only its frame exists so far: the page is created by the main window,
// receives the distributed settings and shows its title. Its controls and
// printer operations are added by a later piece of work; it is not done.
#include <memory>

#include "port/ui/function_page.h"

namespace Ui {
class CTestItemDialog;
}

namespace printune {

class CTestItemDialog : public CFunctionPage {
    Q_OBJECT

public:
    explicit CTestItemDialog(QWidget* parent = nullptr);
    ~CTestItemDialog() override;

    // "Cut Paper After Print", "Cut Enable", "Cut Disable", "Full Cut" and
    // "Partial Cut": disabled for the HT-740 by the main window.
    void SetCutControlsEnabled(bool enabled) { cutControlsEnabled_ = enabled; }
    bool CutControlsEnabled() const { return cutControlsEnabled_; }

private:
    bool cutControlsEnabled_ = true;
    std::unique_ptr<Ui::CTestItemDialog> ui_;
};

} // namespace printune
