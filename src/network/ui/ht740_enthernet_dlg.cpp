#include "network/ui/ht740_enthernet_dlg.h"

#include <QTreeWidget>

#include "base/language.h"
#include "base/narrow_text.h"
#include "base/ui/key_filter.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "network/ui/edt_cfg_dlg.h"
#include "network/ui/net_dialog_util.h"
#include "ui_ht740_enthernet_dlg.h"

namespace printune {

namespace {

constexpr int COLUMN_WIDTH = 145;
constexpr int RECORD_INDEX = Qt::UserRole;

QString Text(int languageId, const char* source) {
    return TextIn(languageId, "CHT740EnthernetDlg", source);
}

} // namespace

CHT740EnthernetDlg::CHT740EnthernetDlg(QWidget* parent)
    : CPortCopyDialog(parent), ui_(std::make_unique<Ui::CHT740EnthernetDlg>()) {
    ui_->setupUi(this);
    SetEnterEscBehaviour(this, EnterEsc::Swallow);
    SetHandCursors(this);
    SetUpDeviceList(ui_->deviceList,
                    {tr("MAC Addr."), tr("Device name"), tr("FW Ver."), tr("IP Addr.")},
                    COLUMN_WIDTH);
    SetAddressValidator(ui_->ipEdit);
    connect(ui_->searchButton, &QPushButton::clicked, this, &CHT740EnthernetDlg::OnSearch);
    connect(ui_->deviceList, &QTreeWidget::itemClicked, this, &CHT740EnthernetDlg::OnRowClicked);
    connect(ui_->setupButton, &QPushButton::clicked, this, &CHT740EnthernetDlg::OnSetup);
    connect(ui_->okButton, &QPushButton::clicked, this, &CHT740EnthernetDlg::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CHT740EnthernetDlg::reject);
}

CHT740EnthernetDlg::~CHT740EnthernetDlg() {
    worker_.RequestStop();
    if (client_)
        client_->Cancel();
}

void CHT740EnthernetDlg::Prepare(const PortState& port, const PortSettings& settings) {
    port_ = port;
    settings_ = settings;
    languageId_ = LanguageIdFromSetting(settings.language);
    codePage_ = NarrowCodePage(languageId_);
    ui_->deviceList->clear();
    found_.clear();
    selectedRecord_ = -1;
    ui_->nameEdit->clear();
    ui_->macEdit->clear();
    ui_->ipEdit->setText(Q(settings.ipAddr));
    printPort_ = settings.listenPort;
    ui_->statusLabel->clear();
    // Every announcement is a row, so a printer must not be asked twice:
    // no directed broadcast besides the plain one.
    HtNetOptions options = HtNetOptions::FromEnvironment();
    options.directed = false;
    client_ = std::make_shared<HtNetClient>(options);
}

void CHT740EnthernetDlg::SetButtonsEnabled(bool enabled) {
    for (QPushButton* b : {ui_->searchButton, ui_->setupButton, ui_->okButton, ui_->cancelButton})
        b->setEnabled(enabled);
}

void CHT740EnthernetDlg::OnSearch() {
    if (worker_.Busy())
        return;
    // A search range sweeps those addresses by unicast instead.
    HtNetOptions options = client_->Options();
    const std::string range = S(ui_->rangeEdit->text().trimmed());
    options.sweep.clear();
    if (!range.empty()) {
        std::string error;
        options.sweep = ParseDestinationList(range, HTNET_PORT, error);
        if (options.sweep.empty()) {
            MessageService::Show(this, MessageIcon::Warning, Q(error));
            return;
        }
    }
    if (options.sweep != client_->Options().sweep)
        client_ = std::make_shared<HtNetClient>(options);
    ui_->deviceList->clear();
    found_.clear();
    selectedRecord_ = -1;
    SetButtonsEnabled(false);
    ui_->searchButton->setText(
        Text(languageId_, QT_TRANSLATE_NOOP("CHT740EnthernetDlg", "Searching....")));
    ui_->statusLabel->setText(
        Text(languageId_, QT_TRANSLATE_NOOP("CHT740EnthernetDlg", "Found: %1")).arg(0));
    worker_.Run(
        [this, client = client_, codePage = codePage_](const TaskControl& task) {
            return RunHtSearch(*client, codePage, task.Token(), {},
                               [&](const HtDeviceRecord& record) {
                                   task.Post([this, record] { AddRow(record); });
                               });
        },
        [this](const HtSearchResult&) {
            ui_->searchButton->setText(tr("Search"));
            SetButtonsEnabled(true);
        });
}

void CHT740EnthernetDlg::AddRow(const HtDeviceRecord& record) {
    // Newest on top; every announcement is a row of its own.
    const std::vector<HtRow> rows = HtRowsByMac({record}, codePage_);
    found_.push_back(record);
    ui_->statusLabel->setText(
        Text(languageId_, QT_TRANSLATE_NOOP("CHT740EnthernetDlg", "Found: %1"))
            .arg(static_cast<int>(found_.size())));
    const HtRow& r = rows.front();
    const QStringList texts = NetRowTexts({r.mac, r.name, r.version, r.ip});
    auto* item = new QTreeWidgetItem(texts);
    for (int c = 0; c < texts.size(); ++c)
        item->setTextAlignment(c, Qt::AlignCenter);
    item->setData(0, RECORD_INDEX, static_cast<int>(found_.size() - 1));
    ui_->deviceList->insertTopLevelItem(0, item);
}

void CHT740EnthernetDlg::OnRowClicked(QTreeWidgetItem* item) {
    ui_->nameEdit->clear();
    ui_->macEdit->clear();
    ui_->ipEdit->clear();
    selectedRecord_ = -1;
    if (!item)
        return;
    ui_->macEdit->setText(item->text(0));
    ui_->nameEdit->setText(item->text(1));
    ui_->ipEdit->setText(item->text(3));
    selectedRecord_ = item->data(0, RECORD_INDEX).toInt();
}

void CHT740EnthernetDlg::OnSetup() {
    if (worker_.Busy() || !client_->IsIdle()) {
        MessageService::Show(
            this, MessageIcon::Error,
            Text(languageId_,
                 QT_TRANSLATE_NOOP("CHT740EnthernetDlg", "Network printer is seaching. Please "
                                                         "try again later.")));
        return;
    }
    if (selectedRecord_ < 0 || selectedRecord_ >= static_cast<int>(found_.size())) {
        MessageService::Show(this, MessageIcon::Error,
                             Text(languageId_, QT_TRANSLATE_NOOP("CHT740EnthernetDlg",
                                                                 "You must select one printer or "
                                                                 "click cancel to exit.")));
        return;
    }
    SetButtonsEnabled(false);
    const HtDeviceRecord record = found_[selectedRecord_];
    QTreeWidgetItem* row = ui_->deviceList->currentItem();
    CEdtCfgDlg dialog(languageId_, this);
    dialog.setObjectName(QStringLiteral("htConfigDialog"));
    dialog.SetHt(record, S(ui_->macEdit->text()), std::string(), S(ui_->nameEdit->text()),
                 codePage_);
    if (dialog.exec() != QDialog::Accepted) {
        SetButtonsEnabled(true);
        return;
    }
    const NetConfigFields fields = dialog.Fields();
    printPort_ = std::atoi(fields.printPort.c_str());
    const QString ip = fields.ip ? Q(FormatIpv4Octets(*fields.ip)) : QString();
    ui_->ipEdit->setText(ip);
    if (row)
        row->setText(3, ip);
    const HtNetConfig saved = dialog.Configuration();
    const bool loaded = dialog.ConfigurationLoaded();
    // The set sequence, then (DHCP on) the DHCP sequence, in one worker:
    // both blocks and their applies reach the printer first.
    worker_.Run(
        [client = client_, record, saved, loaded, fields](const TaskControl& task) {
            return RunHtSetup(*client, record, saved, loaded, fields, HtTiming{}, task.Token());
        },
        [this](const HtSetupResult& result) {
            lastSetup_ = result;
            SetButtonsEnabled(true);
        });
}

void CHT740EnthernetDlg::accept() {
    const QString ip = ui_->ipEdit->text().trimmed();
    const QString port = QString::number(printPort_);
    if (const auto refusal = NetSearchDialogCheck(S(ip), S(port), false, languageId_)) {
        MessageService::Show(this, MessageIcon::None, Q(*refusal));
        return;
    }
    settings_.ipAddr = S(ip);
    settings_.listenPort = printPort_;
    emit NetworkPrinterChosen(settings_);
    CPortCopyDialog::accept();
}

void CHT740EnthernetDlg::done(int result) {
    // Searches and set/DHCP sequences end with the dialog.
    worker_.RequestStop();
    if (client_)
        client_->Cancel();
    CPortCopyDialog::done(result);
}

} // namespace printune
