#include "port/ui/page_port_set.h"

#include <QButtonGroup>
#include <QFont>

#include "base/language.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "port/exchange.h"
#include "port/interface_commands.h"
#include "port/models.h"
#include "port/port_errors.h"
#include "port/ui/port_copy_dialog.h"
#include "port/ui/port_failure_text.h"
#include "port/ui/port_set_parallel.h"
#include "port/ui/port_set_serial.h"
#include "port/ui/working_copies.h"
#include "port/usb_filter.h"
#include "ui_page_port_set.h"

namespace printune {

namespace {

QString BlueTip(const QString& text) {
    return QStringLiteral("<font color=\"blue\">%1</font>").arg(text.toHtmlEscaped());
}

SendReport ReportOf(const ExchangeResult& result, const CPrinterPort& port) {
    SendReport report;
    report.ok = result.outcome == ExchangeOutcome::Sent;
    report.portError = result.portError;
    report.portType = port.portType;
    report.sysErrno = port.LastErrno();
    return report;
}

} // namespace

CPagePortSet::CPagePortSet(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CPagePortSet>()) {
    ui_->setupUi(this);
    serialDialog_ = new CPortSetSerial(this);
    parallelDialog_ = new CPortSetParallel(this);

    ui_->settingButton->setToolTip(BlueTip(tr("Set the detail of interface")));
    ui_->modelCombo->setToolTip(BlueTip(tr("Select the printer")));
    ui_->radioSerial->setToolTip(BlueTip(tr("Communication with serial interface")));
    ui_->radioParallel->setToolTip(BlueTip(tr("Communication with parallel interface")));
    ui_->radioUsb->setToolTip(BlueTip(tr("Communication with USB interface")));

    QFont listFont(QStringLiteral("Verdana"));
    listFont.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    listFont.setPointSizeF(10.5);
    ui_->modelCombo->setFont(listFont);
    // The first four models; the main window's start-up adds the fifth.
    for (int position = 1; position <= 4; ++position)
        ui_->modelCombo->addItem(Q(ModelName(position, UiLanguageId())));
    ui_->modelCombo->setCurrentIndex(-1);

    // No radio is checked until the settings are loaded.
    auto* radios = new QButtonGroup(this);
    radios->addButton(ui_->radioSerial, PORT_COM);
    radios->addButton(ui_->radioParallel, PORT_LPT);
    radios->addButton(ui_->radioUsb, PORT_USB);
    radios->addButton(ui_->radioNetwork, PORT_LAN);
    connect(radios, &QButtonGroup::idClicked, this, &CPagePortSet::PickInterface);

    connect(ui_->modelCombo, &QComboBox::activated, this, &CPagePortSet::OnModelActivated);
    connect(ui_->settingButton, &QPushButton::clicked, this, &CPagePortSet::OnSetting);
    connect(ui_->resetWifiButton, &QPushButton::clicked, this, &CPagePortSet::OnResetWifi);
    connect(ui_->wifiSetupButton, &QPushButton::clicked, this,
            [this] { OpenWithCopies(wifiDialog_); });
    connect(ui_->bluetoothButton, &QPushButton::clicked, this,
            [this] { OpenWithCopies(bluetoothDialog_); });
    connect(serialDialog_, &CPortSetSerial::SerialConfirmed, this,
            &CPagePortSet::OnSerialConfirmed);
    connect(parallelDialog_, &CPortSetParallel::ParallelConfirmed, this,
            &CPagePortSet::OnParallelConfirmed);
}

CPagePortSet::~CPagePortSet() = default;

void CPagePortSet::AppendModel(const QString& name) {
    ui_->modelCombo->addItem(name);
}

void CPagePortSet::RemoveModel(const QString& name) {
    const int index =
        ui_->modelCombo->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui_->modelCombo->removeItem(index);
}

void CPagePortSet::SelectModel(const QString& name) {
    ui_->modelCombo->setCurrentIndex(
        ui_->modelCombo->findText(name, Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

int CPagePortSet::ModelPosition() const {
    return ui_->modelCombo->currentIndex() + 1;
}

QString CPagePortSet::ModelText() const {
    return ui_->modelCombo->currentIndex() >= 0 ? ui_->modelCombo->currentText() : QString();
}

void CPagePortSet::SetModelFamilyTexts(bool receipt) {
    ui_->modelGroup->setTitle(receipt ? tr("Printer Model") : tr("Printer Series"));
    ui_->modelPrompt->setText(receipt ? tr("Choose your printer model")
                                      : tr("Choose your printer series"));
}

void CPagePortSet::SetWirelessButtonsVisible(bool visible) {
    ui_->resetWifiButton->setVisible(visible);
    ui_->wifiSetupButton->setVisible(visible);
    ui_->bluetoothButton->setVisible(visible);
}

QAbstractButton* CPagePortSet::RadioFor(int portType) const {
    switch (portType) {
    case PORT_COM:
        return ui_->radioSerial;
    case PORT_LPT:
        return ui_->radioParallel;
    case PORT_USB:
        return ui_->radioUsb;
    case PORT_LAN:
        return ui_->radioNetwork;
    default:
        return nullptr;
    }
}

void CPagePortSet::SetSelectedInterface(int portType) {
    selectedInterface_ = portType;
    if (QAbstractButton* radio = RadioFor(portType))
        radio->setChecked(true);
}

void CPagePortSet::SetInterfaceButtons(int portType) {
    ui_->settingButton->setEnabled(portType != PORT_USB);
    ui_->wifiSetupButton->setEnabled(portType != PORT_LAN);
}

void CPagePortSet::SetRadiosEnabled(bool enabled) {
    for (QAbstractButton* radio :
         {ui_->radioSerial, ui_->radioParallel, ui_->radioUsb, ui_->radioNetwork})
        static_cast<QWidget*>(radio)->setEnabled(enabled);
}

void CPagePortSet::OnModelActivated(int index) {
    const int position = index + 1;
    const bool receipt = IsReceiptPosition(position);
    UsbFilter filter;
    if (UsbFilterForPosition(position, filter))
        SetUsbFilter(filter);
    SetModelFamilyTexts(receipt);
    SetWirelessButtonsVisible(!receipt);
    ui_->radioNetwork->show();

    const QString model = ui_->modelCombo->itemText(index);
    settings_.printerModel = S(model);
    emit SaveRequested(settings_);
    emit ModelPicked(settings_, model);
}

void CPagePortSet::PickInterface(int portType) {
    settings_.portType = portType;
    SetSelectedInterface(portType);
    emit SaveRequested(settings_);
    switch (portType) {
    case PORT_COM:
        SerialWorkingCopy() = settings_;
        break;
    case PORT_LPT:
        ParallelWorkingCopy() = settings_;
        break;
    case PORT_USB:
        ui_->sendConfigButton->hide();
        break;
    case PORT_LAN:
        networkDialogCopy_ = settings_;
        break;
    }
    SetInterfaceButtons(portType);
    emit InterfacePicked(portType, settings_);
}

void CPagePortSet::OnSetting() {
    switch (settings_.portType) {
    case PORT_COM:
        SerialWorkingCopy() = settings_;
        serialDialog_->exec();
        break;
    case PORT_LPT:
        ParallelWorkingCopy() = settings_;
        parallelDialog_->exec();
        break;
    case PORT_LAN:
        networkDialogCopy_ = settings_;
        OpenWithCopies(IsLabelPrinterName(settings_.printerModel, LanguageId())
                           ? labelNetworkDialog_
                           : receiptNetworkDialog_);
        break;
    default: // USB: nothing to set
        break;
    }
}

void CPagePortSet::SetWirelessDialogs(CPortCopyDialog* wifi, CPortCopyDialog* bluetooth) {
    for (CPortCopyDialog* d : {wifi, bluetooth})
        if (d)
            d->setParent(this, d->windowFlags());
    wifiDialog_ = wifi;
    bluetoothDialog_ = bluetooth;
}

void CPagePortSet::SetNetworkDialogs(CPortCopyDialog* label, CPortCopyDialog* receipt) {
    for (CPortCopyDialog* d : {label, receipt}) {
        if (!d)
            continue;
        d->setParent(this, d->windowFlags());
        // Direct: the page has the record before the dialog closes.
        connect(d, &CPortCopyDialog::NetworkPrinterChosen, this,
                &CPagePortSet::OnNetworkPrinterChosen, Qt::DirectConnection);
    }
    labelNetworkDialog_ = label;
    receiptNetworkDialog_ = receipt;
}

void CPagePortSet::OpenWithCopies(CPortCopyDialog* dialog) {
    if (!dialog)
        return;
    dialog->Prepare(PortState::Of(port_), settings_);
    dialog->exec();
}

void CPagePortSet::OnSerialConfirmed(const PortSettings& values, const PortSettings&) {
    pending_ = values;
    port_.comName = pending_.comPortName;
    ui_->settingButton->setEnabled(false);
    const PortSettings pending = pending_;
    const int position = ModelPosition();
    reconfigWorker_.Run(
        [pending, position](const TaskControl& task) {
            const SerialReconfiguration r = ReconfigureSerial(pending, position, task.Token());
            SendReport report;
            report.ok = r.result.outcome == ExchangeOutcome::Sent;
            report.portError = r.result.portError;
            report.portType = r.usedType;
            report.sysErrno = r.sysErrno;
            return report;
        },
        [this](const SendReport& report) { FinishReconfiguration(report); });
}

void CPagePortSet::ShowSendFailure(const SendReport& report, bool reconfiguration) {
    if (report.ok || report.portError == 0)
        return;
    // The serial re-configuration reports a COM port it cannot open with the
    // error icon; every other failure is a warning.
    const bool openFailed = report.portError != PORT_ERR_WRITE;
    const MessageIcon icon =
        reconfiguration && openFailed ? MessageIcon::Error : MessageIcon::Warning;
    // A port type outside 1..4 opens nothing and has no message to show.
    const QString text =
        PortFailureText(report.portError, report.portType, report.sysErrno, LanguageId());
    if (!text.isEmpty())
        MessageService::Show(this, icon, text);
}

void CPagePortSet::FinishReconfiguration(const SendReport& report) {
    ShowSendFailure(report, true);
    // The new values are adopted whether or not the printer got them.
    settings_ = pending_;
    PickInterface(PORT_COM);
    ui_->settingButton->setEnabled(true);
}

void CPagePortSet::OnResetWifi() {
    ui_->settingButton->setEnabled(false);
    ui_->resetWifiButton->setEnabled(false);
    SetRadiosEnabled(false);
    const PortSettings copy = settings_;
    wifiWorker_.Run(
        [copy](const TaskControl& task) {
            CPrinterPort port;
            return ReportOf(SendWifiReset(port, copy, task.Token()), port);
        },
        [this](const SendReport& report) { FinishWifiReset(report); });
}

void CPagePortSet::FinishWifiReset(const SendReport& report) {
    ShowSendFailure(report, false);
    ui_->resetWifiButton->setEnabled(true);
    SetRadiosEnabled(true);
    ui_->settingButton->setEnabled(settings_.portType != PORT_USB);
}

void CPagePortSet::OnParallelConfirmed(const PortSettings& values) {
    settings_ = values;
    PickInterface(PORT_LPT);
}

void CPagePortSet::OnNetworkPrinterChosen(const PortSettings& values) {
    settings_ = values;
    PickInterface(PORT_LAN);
}

} // namespace printune
