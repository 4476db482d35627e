#pragma once
// A dialog that the interface page opens with copies of its port and its
// settings (the Wi-Fi and Bluetooth dialogs, which live in a layer above and
// are handed to the page by the main window).
#include <QDialog>

#include "port/port_settings.h"
#include "port/printer_port.h"

namespace printune {

// The state of the page's port that a dialog takes over.
struct PortState {
    int32_t portType = 0;
    std::string comName;
    std::string lptName;

    static PortState Of(const CPrinterPort& port) {
        return {port.portType, port.comName, port.lptName};
    }
    // The settings copy a send uses: the record's port type when it is one
    // of the four, else the port's own.
    PortSettings Target(PortSettings settings) const {
        if (settings.portType < PORT_COM || settings.portType > PORT_LAN)
            settings.portType = portType;
        return settings;
    }
};

class CPortCopyDialog : public QDialog {
    Q_OBJECT

public:
    using QDialog::QDialog;
    // Called at every opening, before the dialog is shown.
    virtual void Prepare(const PortState& port, const PortSettings& settings) = 0;

signals:
    // A network dialog's "OK": the record with the chosen address and port,
    // delivered before the dialog closes.
    void NetworkPrinterChosen(const printune::PortSettings& record);
};

} // namespace printune
