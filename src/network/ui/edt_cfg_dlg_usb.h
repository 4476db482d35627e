#pragma once
// CEdtCfgDlgUSB: "Configure Network (USB)". Collects DHCP and the three
// addresses for a printer attached by USB (or reached by TCP); the caller
// sends the network-parameter command they make.
#include <memory>

#include <QDialog>

#include "network/net_fields.h"

namespace Ui {
class CEdtCfgDlgUSB;
}

namespace printune {

class CEdtCfgDlgUSB : public QDialog {
    Q_OBJECT

public:
    explicit CEdtCfgDlgUSB(int languageId, QWidget* parent = nullptr);
    ~CEdtCfgDlgUSB() override;

    // After "OK".
    const NetParamFields& Values() const { return values_; }

    void accept() override;

private:
    std::unique_ptr<Ui::CEdtCfgDlgUSB> ui_;
    NetParamFields values_;
};

} // namespace printune
