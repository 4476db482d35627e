#pragma once
// CPagePortSet: the "Choose Interface" page. The user picks the printer
// model and the interface here and edits the serial or parallel parameters;
// each choice is saved at once and reported to the main window. The page
// itself talks to the printer twice: it tells the printer its new serial
// configuration after the serial dialog, and "Reset Wi-Fi settings".
#include <memory>

#include "base/ui/async_task.h"
#include "port/ui/function_page.h"

namespace Ui {
class CPagePortSet;
}

class QAbstractButton;

namespace printune {

class CPortCopyDialog;
class CPortSetParallel;
class CPortSetSerial;

// How a one-way printer command of the page ended, as the GUI thread needs it.
struct SendReport {
    bool ok = true;
    int portError = 0; // the raised code, 0 when none
    int portType = 0;  // the transport the failure belongs to
    int sysErrno = 0;  // the cause behind the code, for the remedy line
};

class CPagePortSet : public CFunctionPage {
    Q_OBJECT

public:
    explicit CPagePortSet(QWidget* parent = nullptr);
    ~CPagePortSet() override;

    // The main window's start-up works the model list and the buttons.
    void AppendModel(const QString& name);
    void RemoveModel(const QString& name);
    void SelectModel(const QString& name); // exact text; no match: no selection
    int ModelPosition() const;             // 1-based; 0 when nothing is selected
    QString ModelText() const;             // empty when nothing is selected
    void SetModelFamilyTexts(bool receipt);
    void SetWirelessButtonsVisible(bool visible);
    // Checks the radio button of a port type (1..4); any other value none.
    void SetSelectedInterface(int portType);
    int SelectedInterface() const { return selectedInterface_; }
    // "Setting" enabled except for USB, "Wi-Fi Setup" except for the network.
    void SetInterfaceButtons(int portType);

    CPortSetSerial* SerialDialog() const { return serialDialog_; }
    CPortSetParallel* ParallelDialog() const { return parallelDialog_; }
    // "Wi-Fi Setup" and "Bluetooth Settings" open these; the page becomes
    // their parent and keeps them as long as it lives.
    void SetWirelessDialogs(CPortCopyDialog* wifi, CPortCopyDialog* bluetooth);
    CPortCopyDialog* WifiDialog() const { return wifiDialog_; }
    // "Setting" for the network interface opens the first for the label
    // printers, the second for the receipt printers.
    void SetNetworkDialogs(CPortCopyDialog* label, CPortCopyDialog* receipt);
    CPortCopyDialog* BluetoothDialog() const { return bluetoothDialog_; }

signals:
    // The page copy is to be written to the settings file now; the main
    // window saves it (the file belongs to the application) and warns, owned
    // by this page, when the save fails.
    void SaveRequested(const printune::PortSettings& copy);
    // User message 1: a model was picked.
    void ModelPicked(const printune::PortSettings& copy, const QString& model);
    // User message 5: an interface was picked.
    void InterfacePicked(int portType, const printune::PortSettings& copy);

public slots:
    // User message 2: new serial values confirmed in the serial dialog.
    void OnSerialConfirmed(const printune::PortSettings& values,
                           const printune::PortSettings& previous);
    // User message 3: a new LPT name confirmed in the parallel dialog.
    void OnParallelConfirmed(const printune::PortSettings& values);
    // User message 4: a network printer chosen in a network dialog.
    void OnNetworkPrinterChosen(const printune::PortSettings& values);

private:
    void OnModelActivated(int index);
    void PickInterface(int portType);
    void OnSetting();
    void OnResetWifi();
    void OpenWithCopies(CPortCopyDialog* dialog);
    void FinishReconfiguration(const SendReport& report);
    void FinishWifiReset(const SendReport& report);
    void SetRadiosEnabled(bool enabled);
    QAbstractButton* RadioFor(int portType) const;
    void ShowSendFailure(const SendReport& report, bool reconfiguration);

    std::unique_ptr<Ui::CPagePortSet> ui_;
    CPortSetSerial* serialDialog_;
    CPortSetParallel* parallelDialog_;
    // Kept with the page, so their fields persist between openings.
    CPortCopyDialog* wifiDialog_ = nullptr;
    CPortCopyDialog* bluetoothDialog_ = nullptr;
    CPortCopyDialog* labelNetworkDialog_ = nullptr;
    CPortCopyDialog* receiptNetworkDialog_ = nullptr;
    PortSettings pending_;           // serial values waiting to be sent
    PortSettings networkDialogCopy_; // what the network dialog starts from
    int selectedInterface_ = 0;
    // Workers do only the printer I/O; their outcome is applied on the GUI
    // thread. Closing the page stops them without waiting for the printer.
    AsyncTask reconfigWorker_;
    AsyncTask wifiWorker_;
};

} // namespace printune
