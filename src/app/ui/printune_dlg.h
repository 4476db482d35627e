#pragma once
// CPrintuneDlg: the program's only top-level window. It lists the functions,
// hosts the function pages (exactly one visible), shows the current model
// and interface, owns the master copy of the connection settings and
// distributes every change to all pages and the current PortSettings.
#include <memory>

#include <QDialog>

#include "port/port_settings.h"
#include "port/printer_port.h"
#include "port/ui/function_page.h" // also declares PortSettings to Qt

namespace Ui {
class CPrintuneDlg;
}

namespace printune {

class CCommLogDlg;
class CCommandTest;
class CInternalSetupHT740;
class CPagePortSet;
class CPrintingSetupKP520_1;
class CTestItemDialog;
class CUpgradeFW;

class CPrintuneDlg : public QDialog {
    Q_OBJECT

public:
    explicit CPrintuneDlg(QWidget* parent = nullptr);
    ~CPrintuneDlg() override;

    const PortSettings& Master() const { return master_; }
    int InterfaceType() const { return interfaceType_; }
    CPagePortSet* PortPage() const { return portPage_; }
    CPrintingSetupKP520_1* LabelPage() const { return labelPage_; }
    CInternalSetupHT740* ReceiptPage() const { return receiptPage_; }
    CUpgradeFW* FirmwarePage() const { return firmwarePage_; }
    CCommandTest* CommandTestPage() const { return commandPage_; }
    CTestItemDialog* TestItemsPage() const { return testItemsPage_; }
    // The communication log window, once "Communication Log" opened it.
    CCommLogDlg* CommLogWindow() const { return commLog_; }
    // The settings page "Printer Setup" showed last (the label page at first).
    CFunctionPage* CurrentSettingsPage() const { return currentSettingsPage_; }

    // The interface status text of a record and interface type, such as
    // "  COM3|19200", "  LPT1", "  USB", "  LAN".
    static QString InterfaceStatusText(int interfaceType, const PortSettings& settings);

public slots:
    // User message 1: a model was picked on the interface page.
    void OnModelPicked(const printune::PortSettings& copy, const QString& model);
    // User message 5: an interface was picked on the interface page.
    void OnInterfacePicked(int portType, const printune::PortSettings& copy);
    // User message 6: a settings page read new serial line values.
    void OnSerialValuesChanged(const printune::PortSettings& copy);

    void done(int result) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void StartUp();
    void LoadSettings();
    void ApplyLoadedSettings();
    void Distribute();
    void UpdateInterfaceStatus();
    void UpdateTitle();
    void UpdateTestItemsEntry();
    void OnFunctionChanged(int row);
    void ShowPage(QWidget* page);
    void OnLanguageClicked(const char* language);
    void OnHelp();
    void OnAbout();
    void OnCommLog();
    void AdoptPage(CFunctionPage* page);
    QString TitlePrefix() const;

    std::unique_ptr<Ui::CPrintuneDlg> ui_;
    PortSettings master_;
    int interfaceType_ = 0;
    bool restartRequested_ = false;
    CPrinterPort ownPort_;

    CPagePortSet* portPage_ = nullptr;
    CPrintingSetupKP520_1* labelPage_ = nullptr;
    CInternalSetupHT740* receiptPage_ = nullptr; // created on first use
    CUpgradeFW* firmwarePage_ = nullptr;
    CCommandTest* commandPage_ = nullptr;
    CTestItemDialog* testItemsPage_ = nullptr;
    CFunctionPage* currentSettingsPage_ = nullptr;
    CCommLogDlg* commLog_ = nullptr; // modeless, created on first use
};

} // namespace printune
