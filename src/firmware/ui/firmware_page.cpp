#include "firmware/ui/firmware_page.h"

#include <QFileDialog>

#include "base/device_texts.h"
#include "base/language.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "firmware/firmware_rules.h"
#include "firmware/firmware_update.h"
#include "port/port_link.h"
#include "port/usb_filter.h"
#include "ui_firmware_page.h"

namespace printune {

namespace {

CUpgradeFW::KeepingUpdate& KeepingUpdater() {
    static CUpgradeFW::KeepingUpdate update;
    return update;
}

CUpgradeFW::FileChooser& Chooser() {
    static CUpgradeFW::FileChooser chooser;
    return chooser;
}

std::optional<QString> ChooseFile(QWidget* owner, const QString& filter) {
    if (Chooser())
        return Chooser()(owner, filter);
    const QString path = QFileDialog::getOpenFileName(owner, QString(), QString(), filter, nullptr,
                                                      QFileDialog::ReadOnly);
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

MessageIcon IconOf(Severity severity) {
    switch (severity) {
    case Severity::Information:
        return MessageIcon::Information;
    case Severity::Error:
        return MessageIcon::Error;
    default:
        return MessageIcon::Warning;
    }
}

QString TextOf(const Notice& notice) {
    QString text = Q(notice.text);
    if (!notice.hint.empty())
        text += QLatin1Char('\n') + Q(notice.hint);
    return text;
}

void ShowNotice(QWidget* owner, const std::optional<Notice>& notice) {
    if (notice && !notice->text.empty())
        MessageService::Show(owner, IconOf(notice->severity), TextOf(*notice));
}

} // namespace

CUpgradeFW::CUpgradeFW(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CUpgradeFW>()),
      returnWaitMs_(UPDATE_RETURN_MAX_MS) {
    ui_->setupUi(this);
    ui_->updateButton->setEnabled(false);
    ui_->browseButton->setToolTip(tr("Selects the file of FirmWare that to update"));
    ui_->updateButton->setToolTip(tr("To update the FirmWare"));
    ui_->keepSettingsCheck->setToolTip(
        tr("Read the printer's settings before the update and write back those that "
           "changed after it (label printers, .bin images; the download-mode command is sent "
           "by Update)"));
    ui_->downloadModeButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    ui_->detailLabel->setVisible(false);
    ui_->versionLabel->setVisible(false);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CUpgradeFW::OnBrowse);
    connect(ui_->updateButton, &QPushButton::clicked, this, &CUpgradeFW::OnUpdate);
    connect(ui_->downloadModeButton, &QPushButton::clicked, this, &CUpgradeFW::OnDownloadMode);
    ApplyRules();
}

CUpgradeFW::~CUpgradeFW() = default;

void CUpgradeFW::SetFileChooser(FileChooser chooser) {
    Chooser() = std::move(chooser);
}

void CUpgradeFW::SetKeepingUpdate(KeepingUpdate update) {
    KeepingUpdater() = std::move(update);
}

// The settings are read before the download-mode command: not once the
// printer is in download mode, nor while anything runs.
bool CUpgradeFW::KeepSettingsAvailable() const {
    return KeepingUpdater() && !busy_ && !downloadMode_ && !downloadTask_.Busy() &&
           lastBrowseResult_ == 1 &&
           SettingsKeepable(settings_.portType, settings_.printerModel, S(filePath_), LanguageId());
}

void CUpgradeFW::OnSettingsChanged() {
    ApplyRules();
}

void CUpgradeFW::showEvent(QShowEvent* event) {
    ApplyRules();
    CFunctionPage::showEvent(event);
}

QString CUpgradeFW::InstructionText() const {
    if (InstructionNoteFor(CurrentUsbFilter().UsbPidFilter) == InstructionNote::ManualMode)
        return tr("Note: You could upgrade the Firmware and/or the Character Generator (CG) via "
                  "USB connection. \n1. Enter Firmware / CG Update mode manually.\n2. Click "
                  "\"Browse\" to select the firmware file.\n3. Click  \"Update\" for loading "
                  "firmware.\n4. The printer's Status LED on and Error LED off, when the "
                  "application's progress bar perform 100%. Firmware / CG Update success after "
                  "restart the printer.\nFor more details see the Help section.");
    return tr("Note: You could upgrade the Firmware and/or the Character Generator (CG) via USB "
              "and LAN connection. \n1.Enter firmware/CG upgrade mode by Clicking \"Download "
              "Mode\".\n2.Click \"Browse\" to select the firmware file\n3.Then click \"Update\" "
              "to load the firmware/CG.\n4.Wait for a while,the printer will beep twice and "
              "restart automatically.\nFor more details see the Help section.\n");
}

void CUpgradeFW::ApplyRules() {
    // While the download-mode command is on its way the image must wait for
    // it: the page counts as busy.
    const FirmwareButtonState s =
        FirmwareButtons(settings_.portType, settings_.printerModel, LanguageId(),
                        busy_ || downloadTask_.Busy(), downloadMode_);
    ui_->updateButton->setEnabled(s.updateEnabled);
    ui_->downloadModeButton->setVisible(s.downloadShown);
    if (s.downloadEnabled)
        ui_->downloadModeButton->setEnabled(*s.downloadEnabled);
    // Shown with Download Mode: only the label printers' settings are kept.
    ui_->keepSettingsCheck->setVisible(s.downloadShown);
    ui_->keepSettingsCheck->setEnabled(KeepSettingsAvailable());
    ui_->instructionLabel->setText(InstructionText());
}

QString CUpgradeFW::BrowseFilterText() const {
    if (BrowseFilterFor(settings_.printerModel) == BrowseFilter::ReceiptFiles)
        return tr("Firmware File(*.fw);;Character Library(*.cg)");
    // The Chinese translation offers firmware and font files both as *.bin.
    return tr("Firmware File(*.bin *.mot);;Character Library(*.cg)");
}

void CUpgradeFW::OnBrowse() {
    const std::optional<QString> path = ChooseFile(this, BrowseFilterText());
    lastBrowseResult_ = path ? 1 : 2;
    if (path)
        filePath_ = *path;
    ui_->pathEdit->setText(filePath_);
    ApplyRules();
}

void CUpgradeFW::OnUpdate() {
    if (busy_ || transfer_.Busy() || downloadTask_.Busy())
        return;
    const int lang = LanguageId();
    if (lastBrowseResult_ != 1) {
        MessageService::Show(this, MessageIcon::Warning,
                             Q(DeviceTextString(DeviceText::SelectFile, lang)));
        return;
    }
    // A file of the other family is refused before anything is switched or
    // sent: a wrong image can leave a printer that does not start.
    const std::string path = S(filePath_);
    if (auto wrong =
            CheckImageForModel(ImageKindFromPath(path), path, settings_.printerModel, lang)) {
        ShowNotice(this, wrong);
        return;
    }
    const bool keep = ui_->keepSettingsCheck->isChecked() && KeepSettingsAvailable();
    busy_ = true;
    ui_->updateButton->setEnabled(false);
    ui_->downloadModeButton->setEnabled(false);
    ui_->browseButton->setEnabled(false);
    ui_->progressBar->setRange(0, 100);
    ui_->progressBar->setValue(0);
    ui_->progressBar->setVisible(true);
    ui_->detailLabel->clear();
    ui_->detailLabel->setVisible(true);
    ui_->versionLabel->setVisible(false);
    ui_->settingsLabel->setVisible(false);
    if (downloadMode_) {
        ui_->waitLabel->setText(tr("Please wait for a while, \nfirmware is being loaded..."));
        ui_->waitLabel->setVisible(true);
    }
    ApplyRules();

    FirmwareUpdateRequest q;
    q.path = path;
    q.printerModel = settings_.printerModel;
    q.portType = settings_.portType;
    q.downloadMode = downloadMode_;
    q.languageId = lang;
    q.versionBefore = versionBefore_;
    q.returnMaxMs = returnWaitMs_;
    // The download-mode command goes out within the update, after the
    // settings were read: the printer then restarts into download mode.
    q.afterCommandMs = keep ? AFTER_DOWNLOAD_COMMAND_MS : 0;
    const PortSettings copy = settings_;
    const KeepingUpdate keeping = keep ? KeepingUpdater() : KeepingUpdate();
    transfer_.Run(
        [this, q, copy, keeping](const TaskControl& task) {
            PrinterPortLink link(copy);
            const auto progress = [this, &task](const UpdateProgress& p) {
                task.Post([this, p] { OnProgress(p); });
            };
            return keeping ? keeping(link, copy, q, task.Token(), progress)
                           : RunFirmwareUpdate(link, q, task.Token(), progress);
        },
        [this](const FirmwareUpdateResult& r) { EndUpdate(r); });
}

void CUpgradeFW::OnProgress(const UpdateProgress& p) {
    if (!busy_)
        return;
    switch (p.stage) {
    case UpdateStage::WaitingForLoader:
        ui_->detailLabel->setText(Q(p.text));
        break;
    case UpdateStage::Sending:
        ui_->progressBar->setRange(0, 100);
        ui_->progressBar->setValue(p.transfer.percent);
        ui_->updateButton->setText(Q(p.transfer.caption));
        ui_->waitLabel->setVisible(false);
        ui_->detailLabel->setText(Q(p.text));
        break;
    case UpdateStage::WaitingForReturn:
        ui_->progressBar->setRange(0, std::max(1, p.waitMaxMs));
        ui_->progressBar->setValue(std::min(p.waitedMs, p.waitMaxMs));
        ui_->waitLabel->setText(Q(p.text));
        ui_->waitLabel->setVisible(true);
        break;
    case UpdateStage::SavingSettings:
    case UpdateStage::RestoringSettings:
        ui_->progressBar->setRange(0, 0); // busy: no measure of its own
        ui_->waitLabel->setText(Q(p.text));
        ui_->waitLabel->setVisible(true);
        break;
    }
}

void CUpgradeFW::EndUpdate(const FirmwareUpdateResult& r) {
    // Buffers and the USB filter were put back by the engine.
    ui_->downloadModeButton->setEnabled(true);
    ui_->browseButton->setEnabled(true);
    ui_->updateButton->setText(tr("Update"));
    ui_->waitLabel->setVisible(false);
    ui_->progressBar->setVisible(false);
    ui_->detailLabel->setVisible(false);
    ui_->updateButton->setEnabled(r.updateEnabledAfter);
    downloadMode_ = false;
    versionBefore_.reset();
    busy_ = false;
    if (r.check == PrinterCheck::Back && r.versionNotice) {
        ui_->versionLabel->setText(Q(r.versionNotice->text));
        ui_->versionLabel->setVisible(true);
    }
    if (r.settingsNotice) {
        ui_->settingsLabel->setText(Q(r.settingsNotice->text));
        ui_->settingsLabel->setVisible(true);
    }
    ApplyRules();

    // One box: the transfer's outcome, what the printer said afterwards and
    // what became of its settings; the gravest of them gives the icon.
    std::vector<Notice> notices;
    for (const std::optional<Notice>* n : {&r.transfer.notice, &r.versionNotice, &r.settingsNotice})
        if (*n && !(*n)->text.empty())
            notices.push_back(**n);
    // Without the transfer's outcome the others are not news.
    if (notices.empty() || !r.transfer.notice || r.transfer.notice->text.empty())
        return;
    Severity severity = r.transfer.notice->severity;
    QStringList parts;
    for (const Notice& n : notices) {
        parts << TextOf(n);
        if (&n != &notices.front() && n.severity != Severity::Information &&
            severity == Severity::Information)
            severity = n.severity;
    }
    MessageService::Show(this, IconOf(severity), parts.join(QStringLiteral("\n\n")));
}

void CUpgradeFW::OnDownloadMode() {
    if (downloadTask_.Busy())
        return;
    downloadMode_ = true;
    ui_->downloadModeButton->setEnabled(false);
    ui_->updateButton->setEnabled(false);
    const PortSettings copy = settings_;
    const int lang = LanguageId();
    downloadTask_.Run(
        [copy, lang](const TaskControl& task) {
            PrinterPortLink link(copy);
            return EnterDownloadMode(link, copy.printerModel, lang, task.Token());
        },
        [this](const DownloadModeResult& r) { EndDownloadMode(r); });
}

void CUpgradeFW::EndDownloadMode(const DownloadModeResult& r) {
    if (r.send.ok) {
        // Stays disabled until the update ends.
        versionBefore_ = r.versionBefore;
    } else {
        downloadMode_ = false;
        versionBefore_.reset();
        ui_->downloadModeButton->setEnabled(true);
        ShowNotice(this, r.send.notice);
    }
    ApplyRules();
}

} // namespace printune
