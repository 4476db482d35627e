#include "network/ui/enternet_setting.h"

#include <QTreeWidget>

#include "base/language.h"
#include "base/narrow_text.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/ui/edt_cfg_dlg.h"
#include "network/ui/edt_cfg_dlg_usb.h"
#include "network/ui/net_dialog_util.h"
#include "port/port_link.h"
#include "ui_enternet_setting.h"

namespace printune {

struct NetQueryOutcome {
    NetCfgRun run = NetCfgRun::TimedOut;
    NetCfgDevice device{};
    NetCfgEntryList entries{};
};

struct NetParamSent {
    bool ok = false;
    std::string ip;
    std::string cause; // the port's remedy line
};

namespace {

constexpr int COLUMN_WIDTH = 120;
constexpr int SEARCH_WINDOW_MS = (NETCFG_DEFAULT_TIMEOUT + 1) * 1000;
constexpr int WIRE_MAC = Qt::UserRole;
constexpr int WIRE_SERIAL = Qt::UserRole + 1;

QString Text(int languageId, const char* source) {
    return TextIn(languageId, "CEnternetSetting", source);
}

} // namespace

CEnternetSetting::CEnternetSetting(QWidget* parent)
    : CPortCopyDialog(parent), ui_(std::make_unique<Ui::CEnternetSetting>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    SetHandCursors(this);
    SetUpDeviceList(ui_->deviceList,
                    {tr("SN."), tr("MAC Addr."), tr("Device name"), tr("FW Ver."), tr("IP Addr.")},
                    COLUMN_WIDTH);
    SetAddressValidator(ui_->ipEdit);
    connect(ui_->searchButton, &QPushButton::clicked, this, &CEnternetSetting::OnSearch);
    connect(ui_->deviceList, &QTreeWidget::itemClicked, this, &CEnternetSetting::OnRowClicked);
    connect(ui_->deviceList, &QTreeWidget::itemDoubleClicked, this,
            &CEnternetSetting::OnRowDoubleClicked);
    connect(ui_->setupButton, &QPushButton::clicked, this, &CEnternetSetting::OnSetup);
    connect(ui_->okButton, &QPushButton::clicked, this, &CEnternetSetting::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CEnternetSetting::reject);
    statusTimer_.setInterval(200);
    connect(&statusTimer_, &QTimer::timeout, this, &CEnternetSetting::ShowStatus);
}

CEnternetSetting::~CEnternetSetting() {
    worker_.RequestStop();
    NetCfgClose();
}

void CEnternetSetting::Prepare(const PortState& port, const PortSettings& settings) {
    port_ = port;
    settings_ = settings;
    languageId_ = LanguageIdFromSetting(settings.language);
    codePage_ = NarrowCodePage(languageId_);
    ui_->deviceList->clear();
    ClearFields();
    ui_->ipEdit->setText(Q(settings.ipAddr));
    ui_->portEdit->setText(QString::number(settings.listenPort));
    selectedMac_.clear();
    selectedSerial_.clear();
    selectedRow_ = -1;
    setupPending_ = false;
    configuredOverUsb_ = false;
    ui_->statusLabel->clear();
    // A failure shows when a search is asked for.
    NetCfgOpen();
}

void CEnternetSetting::ClearFields() {
    for (QLineEdit* e : {ui_->serialEdit, ui_->nameEdit, ui_->macEdit, ui_->ipEdit})
        e->clear();
    ui_->portEdit->setText(QStringLiteral("0"));
}

void CEnternetSetting::SetButtonsEnabled(bool enabled) {
    for (QPushButton* b : {ui_->searchButton, ui_->setupButton, ui_->okButton, ui_->cancelButton})
        b->setEnabled(enabled);
}

void CEnternetSetting::ShowStatus() {
    const int left = std::max<qint64>(0, SEARCH_WINDOW_MS - searchClock_.elapsed()) / 1000;
    ui_->statusLabel->setText(
        statusTimer_.isActive()
            ? Text(languageId_,
                   QT_TRANSLATE_NOOP("CEnternetSetting", "Found: %1    Time left: %2 s"))
                  .arg(found_)
                  .arg(left)
            : Text(languageId_, QT_TRANSLATE_NOOP("CEnternetSetting", "Found: %1")).arg(found_));
}

void CEnternetSetting::OnSearch() {
    if (worker_.Busy()) {
        MessageService::Show(
            this, MessageIcon::Error,
            Text(languageId_,
                 QT_TRANSLATE_NOOP("CEnternetSetting", "Current condition is busy. Please "
                                                       "try again.")));
        return;
    }
    // A search range sweeps those addresses by unicast instead.
    NetCfgAddresses addresses = NetCfgAddresses::FromEnvironment();
    const std::string range = S(ui_->rangeEdit->text().trimmed());
    if (!range.empty()) {
        std::string error;
        addresses.sweep = ParseDestinationList(range, NETCFG_PORT, error);
        if (addresses.sweep.empty()) {
            MessageService::Show(this, MessageIcon::Warning, Q(error));
            return;
        }
    }
    if (addresses.sweep != NetCfgProcessState().Addresses().sweep) {
        NetCfgClose();
        NetCfgOpen(addresses);
    }
    selectedMac_.clear();
    selectedSerial_.clear();
    selectedRow_ = -1;
    setupPending_ = false;
    ui_->deviceList->clear();
    ClearFields();
    SetButtonsEnabled(false);
    ui_->searchButton->setText(
        Text(languageId_, QT_TRANSLATE_NOOP("CEnternetSetting", "Searching....")));
    found_ = 0;
    searchClock_.start();
    statusTimer_.start();
    ShowStatus();
    const std::string codePage = codePage_;
    worker_.Run(
        [this, codePage](const TaskControl& task) {
            NetCfgState& state = NetCfgProcessState();
            // Rows appear as their replies arrive.
            return RunNetCfgSearch(state, codePage, task.Token(), [&](const NetProgress& p) {
                if (p.step != NetStep::Found)
                    return;
                auto rows = NetCfgRows(state.Devices(), state.DeviceAnswers(), codePage);
                task.Post([this, rows = std::move(rows)] { ShowRows(rows); });
            });
        },
        [this](const NetCfgSearchResult& result) {
            statusTimer_.stop();
            ShowRows(result.rows);
            ShowStatus();
            ui_->searchButton->setText(tr("Search"));
            SetButtonsEnabled(true);
            if (result.run == NetCfgRun::Busy)
                MessageService::Show(
                    this, MessageIcon::Error,
                    Text(languageId_,
                         QT_TRANSLATE_NOOP("CEnternetSetting", "Current condition is busy. "
                                                               "Please try again.")));
            else if (result.run == NetCfgRun::NotOpen)
                MessageService::Show(this, MessageIcon::Error,
                                     Q(NetCfgProcessState().OpenErrorMessage(languageId_)));
        });
}

void CEnternetSetting::ShowRows(const std::vector<NetCfgRow>& rows) {
    QTreeWidget* list = ui_->deviceList;
    list->clear();
    int counted = 0;
    for (const NetCfgRow& r : rows) {
        ++counted; // a printer without serial number counts but has no row
        const QStringList texts = NetRowTexts({r.serial, r.mac, r.name, r.version, r.ip});
        if (texts.isEmpty())
            continue;
        auto* item = new QTreeWidgetItem(list, texts);
        for (int c = 0; c < texts.size(); ++c)
            item->setTextAlignment(c, Qt::AlignCenter);
        item->setData(0, WIRE_MAC, Q(r.wireMac));
        item->setData(0, WIRE_SERIAL, Q(r.wireSerial));
    }
    found_ = counted;
}

void CEnternetSetting::OnRowClicked(QTreeWidgetItem* item) {
    ClearFields();
    if (!item)
        return;
    if (worker_.Busy()) {
        MessageService::Show(
            this, MessageIcon::Error,
            Text(languageId_,
                 QT_TRANSLATE_NOOP("CEnternetSetting", "Network printer is seaching. Please "
                                                       "try again later.")));
        return;
    }
    ui_->serialEdit->setText(item->text(0));
    ui_->macEdit->setText(item->text(1));
    ui_->nameEdit->setText(item->text(2));
    ui_->ipEdit->setText(item->text(4));
    selectedRow_ = ui_->deviceList->indexOfTopLevelItem(item);
    selectedMac_ = S(item->data(0, WIRE_MAC).toString()).substr(0, 12);
    selectedSerial_ = S(item->data(0, WIRE_SERIAL).toString()).substr(0, 20);
    const std::string mac = selectedMac_, serial = selectedSerial_;
    worker_.Run(
        [mac, serial](const TaskControl& task) {
            NetQueryOutcome q;
            q.run = NetCfgProcessState().RunQuery(mac, serial, q.device, q.entries, task.Token());
            return q;
        },
        [this](const NetQueryOutcome& q) { ApplyQuery(q); });
}

void CEnternetSetting::ApplyQuery(const NetQueryOutcome& q) {
    if (q.run == NetCfgRun::Done) {
        if (const NetCfgEntry* port = NetCfgFindEntry(q.entries, "PRNT_PORT"))
            ui_->portEdit->setText(QString::number(std::atoi(std::string(port->Value()).c_str())));
        QTreeWidgetItem* item = ui_->deviceList->topLevelItem(selectedRow_);
        const NetCfgRow row = [&] {
            auto rows = NetCfgRows({q.device}, {1}, codePage_);
            return rows.empty() ? NetCfgRow{} : rows.front();
        }();
        const QStringList texts = NetRowTexts({row.serial, row.mac, row.name, row.version, row.ip});
        if (item && !texts.isEmpty()) {
            for (int c = 0; c < texts.size(); ++c)
                item->setText(c, texts[c]);
            ui_->deviceList->setCurrentItem(item);
            item->setSelected(true);
        }
    }
    if (setupPending_) {
        // A double click waits for the query of its click.
        setupPending_ = false;
        OnSetup();
    }
}

void CEnternetSetting::OnRowDoubleClicked(QTreeWidgetItem* item) {
    if (!item)
        return;
    setupPending_ = true;
    if (!worker_.Busy()) {
        setupPending_ = false;
        OnSetup();
    }
}

void CEnternetSetting::OnSetup() {
    if (worker_.Busy()) {
        MessageService::Show(
            this, MessageIcon::Error,
            Text(languageId_,
                 QT_TRANSLATE_NOOP("CEnternetSetting", "Network printer is seaching. Please "
                                                       "try again later.")));
        return;
    }
    if (selectedMac_.empty())
        SetupOverUsb();
    else
        SetupSelected();
}

void CEnternetSetting::SetupSelected() {
    configuredOverUsb_ = false;
    CEdtCfgDlg dialog(languageId_, this);
    dialog.SetEntries(NetCfgProcessState().ReceivedEntries(), codePage_, S(ui_->macEdit->text()));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const NetConfigFields fields = dialog.Fields();
    SetButtonsEnabled(false);
    ui_->setupButton->setText(
        Text(languageId_, QT_TRANSLATE_NOOP("CEnternetSetting", "Setting....")));
    const std::string mac = selectedMac_, serial = selectedSerial_;
    worker_.Run(
        [mac, serial, fields](const TaskControl& task) {
            // Until confirmed, or until the dialog closes.
            return RunNetCfgSetup(NetCfgProcessState(), mac, serial, fields, NetCfgConfirmTiming{},
                                  task.Token());
        },
        [this](const NetCfgSetupResult& r) { FinishSetup(r); });
}

void CEnternetSetting::FinishSetup(const NetCfgSetupResult& r) {
    if (const NetCfgEntry* ip = NetCfgFindEntry(r.entries, "IP_CUR"))
        ui_->ipEdit->setText(Q(std::string(ip->Value()).substr(0, 32)));
    if (const NetCfgEntry* port = NetCfgFindEntry(r.entries, "PRNT_PORT"))
        ui_->portEdit->setText(QString::number(std::atoi(std::string(port->Value()).c_str())));
    SetButtonsEnabled(true);
    ui_->setupButton->setText(tr("Setup printer"));
}

void CEnternetSetting::SetupOverUsb() {
    CEdtCfgDlgUSB dialog(languageId_, this);
    if (dialog.exec() != QDialog::Accepted) {
        configuredOverUsb_ = false;
        return;
    }
    const NetParamFields values = dialog.Values();
    // USB, or TCP to the typed address (the connection's when empty) and
    // the connection's print port.
    PortSettings target = CurrentPortSettings();
    target.portType = values.sendByEther ? PORT_LAN : PORT_USB;
    const std::string address = S(ui_->ipEdit->text().trimmed());
    const int lang = languageId_;
    SetButtonsEnabled(false);
    worker_.Run(
        [values, target, address, lang](const TaskControl&) {
            PrinterPortLink link(target, address);
            const SendOutcome out = SendToPrinter(link, values.Command(), lang);
            NetParamSent sent;
            sent.ok = out.ok;
            sent.ip = FormatIpv4Octets(values.ip);
            if (out.notice)
                sent.cause = out.notice->hint.empty() ? out.notice->text : out.notice->hint;
            return sent;
        },
        [this](const NetParamSent& sent) { FinishUsbSetup(sent); });
}

void CEnternetSetting::FinishUsbSetup(const NetParamSent& sent) {
    SetButtonsEnabled(true);
    configuredOverUsb_ = sent.ok;
    if (sent.ok) {
        ui_->ipEdit->setText(Q(sent.ip));
        return;
    }
    QString text =
        Text(languageId_, QT_TRANSLATE_NOOP("CEnternetSetting", "Unable to send file to port."));
    if (!sent.cause.empty())
        text += QStringLiteral("\n") + Q(sent.cause);
    MessageService::Show(this, MessageIcon::Error, text);
}

void CEnternetSetting::accept() {
    const QString ip = ui_->ipEdit->text().trimmed();
    const QString port = ui_->portEdit->text().trimmed();
    if (const auto refusal =
            NetSearchDialogCheck(S(ip), S(port), configuredOverUsb_, languageId_)) {
        MessageService::Show(this, MessageIcon::None, Q(*refusal));
        return;
    }
    settings_.ipAddr = S(ip);
    settings_.listenPort = port.toInt();
    emit NetworkPrinterChosen(settings_);
    CPortCopyDialog::accept();
}

void CEnternetSetting::done(int result) {
    // A search, query or set-confirmation cycle ends with the dialog.
    statusTimer_.stop();
    worker_.RequestStop();
    NetCfgProcessState().CancelRequest();
    NetCfgClose();
    CPortCopyDialog::done(result);
}

} // namespace printune
