#include "settings/ui/label_setup_page.h"

#include <QKeyEvent>

#include "base/language.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "port/printer_port.h"
#include "port/ui/port_failure_text.h"
#include "printune_version.h"
#include "settings/label_operations.h"
#include "settings/profile_page.h"
#include "settings/settings_messages.h"
#include "settings/ui/profile_file_flow.h"
#include "ui_label_setup_page.h"

namespace printune {

// What a worker hands back to the GUI thread.
struct LabelPageResult {
    enum class Kind { Read, Reset, Send, Verify, Command, Text } kind = Kind::Read;
    LabelRequest request = LabelRequest::GetSettings;
    ExchangeResult exchange;
    int portType = 0;
    int sysErrno = 0;
    bool decoded = false;
    LabelSettings settings;
    PortSettings copy;         // the worker's copy, serial line adopted
    std::string text;          // a text reply
    bool resetWritten = false; // the factory reset reached the printer
    LabelValues sent;          // what "Send Settings" sent
    std::vector<int> notTaken; // read back with another value
};

namespace {

constexpr const char* CONTEXT = "CPrintingSetupKP520_1";

LabelPageResult Outcome(LabelPageResult::Kind kind, const ExchangeResult& exchange,
                        const CPrinterPort& port) {
    LabelPageResult r;
    r.kind = kind;
    r.exchange = exchange;
    r.portType = port.portType;
    r.sysErrno = port.LastErrno();
    return r;
}

LabelPageResult FromRead(LabelPageResult::Kind kind, const LabelReadResult& read,
                         const CPrinterPort& port, const PortSettings& copy) {
    LabelPageResult r = Outcome(kind, read.exchange, port);
    r.decoded = read.decoded;
    r.settings = read.settings;
    r.copy = copy;
    return r;
}

// The page adopts the serial line at its completion step, not from the
// worker.
void KeepInCopy(const PortSettings&) {}

} // namespace

CPrintingSetupKP520_1::CPrintingSetupKP520_1(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CPrintingSetupKP520_1>()) {
    ui_->setupUi(this);
    BindControls();
    SetTooltips();

    const int lang = UiLanguageId();
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        labels_[s]->setText(Q(LabelSettingLabel(s, lang)));
        if (!lists_[s] || s == LS_EMULATION)
            continue;
        for (const std::string& entry : LabelChoices(s, lang))
            lists_[s]->addItem(Q(entry));
        lists_[s]->setCurrentIndex(-1);
    }
    RebuildEmulationList();
    // Print Width is carried on the wire but never offered.
    for (QWidget* w :
         {static_cast<QWidget*>(ui_->printWidthLabel), static_cast<QWidget*>(ui_->printWidthEdit),
          static_cast<QWidget*>(ui_->printWidthUnit)})
        w->setVisible(false);
    ui_->blackMarkEdit->installEventFilter(this);

    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        if (lists_[s])
            connect(lists_[s], &QComboBox::activated, this, [this, s] { OnListChosen(s); });
        else
            connect(edits_[s], &QLineEdit::textEdited, this, [this, s] { OnEditChanged(s); });
    }

    clearMarksTimer_.setSingleShot(true);
    clearMarksTimer_.setInterval(500);
    connect(&clearMarksTimer_, &QTimer::timeout, this, &CPrintingSetupKP520_1::ClearChangeMarks);
    completionTimer_.setSingleShot(true);
    completionTimer_.setInterval(100);
    connect(&completionTimer_, &QTimer::timeout, this, &CPrintingSetupKP520_1::Complete);

    connect(ui_->getSettingsButton, &QPushButton::clicked, this,
            &CPrintingSetupKP520_1::OnGetSettings);
    connect(ui_->resetButton, &QPushButton::clicked, this, &CPrintingSetupKP520_1::OnReset);
    connect(ui_->sendButton, &QPushButton::clicked, this, &CPrintingSetupKP520_1::OnSend);
    connect(ui_->selfTestButton, &QPushButton::clicked, this,
            [this] { OnCommand(LabelRequest::SelfTest); });
    connect(ui_->calibrateButton, &QPushButton::clicked, this,
            [this] { OnCommand(LabelRequest::Calibrate); });
    connect(ui_->getSerialButton, &QPushButton::clicked, this,
            [this] { OnReadText(LabelRequest::GetSerialNumber, PENDING_SERIAL); });
    connect(ui_->getVersionButton, &QPushButton::clicked, this,
            [this] { OnReadText(LabelRequest::GetFirmwareVersion, PENDING_VERSION); });
    connect(ui_->statisticsButton, &QPushButton::clicked, this,
            [this] { OnReadText(LabelRequest::GetStatistics, PENDING_STATISTICS); });
    connect(ui_->saveFileButton, &QPushButton::clicked, this,
            &CPrintingSetupKP520_1::OnSaveProfile);
    connect(ui_->loadFileButton, &QPushButton::clicked, this,
            &CPrintingSetupKP520_1::OnLoadProfile);
}

CPrintingSetupKP520_1::~CPrintingSetupKP520_1() = default;

void CPrintingSetupKP520_1::BindControls() {
    labels_ = {ui_->pageModeLabel,        ui_->printMediaLabel,  ui_->peelerLabel,
               ui_->printMethodLabel,     ui_->paperOutLabel,    ui_->densityLabel,
               ui_->printerLanguageLabel, ui_->emulationLabel,   ui_->autoCalibrateLabel,
               ui_->speedLabel,           ui_->topFormLabel,     ui_->homeOffsetLabel,
               ui_->cutOffsetLabel,       ui_->cutModeLabel,     ui_->positionDetectionLabel,
               ui_->blackMarkLabel,       ui_->paperSensorLabel, ui_->leftOffsetLabel,
               ui_->printWidthLabel};
    lists_ = {ui_->pageModeCombo,
              ui_->printMediaCombo,
              ui_->peelerCombo,
              ui_->printMethodCombo,
              ui_->paperOutCombo,
              ui_->densityCombo,
              ui_->printerLanguageCombo,
              ui_->emulationCombo,
              ui_->autoCalibrateCombo,
              ui_->speedCombo,
              ui_->topFormCombo,
              nullptr,
              nullptr,
              ui_->cutModeCombo,
              ui_->positionDetectionCombo,
              nullptr,
              ui_->paperSensorCombo,
              nullptr,
              nullptr};
    edits_[LS_HOME_OFFSET] = ui_->homeOffsetEdit;
    edits_[LS_CUT_OFFSET] = ui_->cutOffsetEdit;
    edits_[LS_BLACK_MARK_AD] = ui_->blackMarkEdit;
    edits_[LS_LEFT_OFFSET] = ui_->leftOffsetEdit;
    edits_[LS_PRINT_WIDTH] = ui_->printWidthEdit;
    buttons_ = {ui_->getSerialButton, ui_->getVersionButton,  ui_->statisticsButton,
                ui_->calibrateButton, ui_->getSettingsButton, ui_->selfTestButton,
                ui_->resetButton,     ui_->sendButton};
}

void CPrintingSetupKP520_1::SetTooltips() {
    ui_->pageModeCombo->setToolTip(tr("Set the page mode to Off or On"));
    ui_->printMediaCombo->setToolTip(tr("Set the media to be used"));
    ui_->printMethodCombo->setToolTip(
        tr("Set the type of printing,Transfer thermal or Direct thermal."));
    ui_->peelerCombo->setToolTip(tr("Set the peeler to Off or On"));
    ui_->paperOutCombo->setToolTip(tr("Set the paper end detection to Off or On"));
    ui_->densityCombo->setToolTip(tr("Set the print density level"));
    ui_->printerLanguageCombo->setToolTip(tr("Set the printer's Language"));
    ui_->emulationCombo->setToolTip(tr("Set the emulation mode of printing"));
    ui_->autoCalibrateCombo->setToolTip(tr("Set the Auto verify label to Off or On"));
    ui_->speedCombo->setToolTip(tr("Set the printing speed"));
    ui_->topFormCombo->setToolTip(tr("Set the Top Form Sensing to Off or On"));
    ui_->getSettingsButton->setToolTip(tr("Get the printer's current setting"));
    ui_->resetButton->setToolTip(
        tr("Set the option of current page to default value, and send to printer"));
    ui_->sendButton->setToolTip(
        tr("Set the printer's settings to the options that have change or is default value."));
}

bool CPrintingSetupKP520_1::ChangeMarked(int setting) const {
    return setting >= 0 && setting < LABEL_SETTING_COUNT && changeMarks_[setting];
}

// The language and model of the copy may have changed since the page was
// last shown.
void CPrintingSetupKP520_1::RebuildEmulationList() {
    const auto entries = EmulationEntries(settings_.language, settings_.printerModel);
    QComboBox* list = ui_->emulationCombo;
    if (list->count() == static_cast<int>(entries.size()))
        return;
    list->clear();
    for (const std::string& entry : entries)
        list->addItem(Q(entry));
    list->setCurrentIndex(-1);
}

void CPrintingSetupKP520_1::showEvent(QShowEvent* event) {
    RebuildEmulationList();
    CFunctionPage::showEvent(event);
}

void CPrintingSetupKP520_1::hideEvent(QHideEvent* event) {
    RebuildEmulationList();
    CFunctionPage::hideEvent(event);
}

// Black Mark AD value takes digits only from the keyboard; pasting is not
// filtered (the range check corrects it).
bool CPrintingSetupKP520_1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->blackMarkEdit && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !text.at(0).isDigit())
            return true;
    }
    return CFunctionPage::eventFilter(watched, event);
}

void CPrintingSetupKP520_1::OnListChosen(int setting) {
    SetChangeMark(setting);
}

void CPrintingSetupKP520_1::OnEditChanged(int setting) {
    QLineEdit* edit = edits_[setting];
    const EditCheck check = CheckLabelEdit(setting, S(edit->text()));
    if (check.corrected) {
        MessageService::Show(this, MessageIcon::Warning, Q(ValueTooLargeMessage(LanguageId())));
        edit->setText(Q(check.text));
    }
    SetChangeMark(setting);
}

void CPrintingSetupKP520_1::SetChangeMark(int setting) {
    changeMarks_[setting] = true;
    unsent_.insert(setting);
    notTaken_.erase(setting);
    ShowMarks();
}

// Bold: changed and not sent yet. Italic: sent, and sent again by the next
// "Send Settings". Red: the printer read back another value.
void CPrintingSetupKP520_1::ShowMarks() {
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        QFont font = labels_[s]->font();
        font.setBold(unsent_.count(s) != 0);
        font.setItalic(changeMarks_[s] && unsent_.count(s) == 0);
        labels_[s]->setFont(font);
        labels_[s]->setStyleSheet(notTaken_.count(s) ? QStringLiteral("color: #c00000;")
                                                     : QString());
    }
}

void CPrintingSetupKP520_1::ClearChangeMarks() {
    changeMarks_.fill(false);
    unsent_.clear();
    notTaken_.clear();
    ShowMarks();
}

LabelValue CPrintingSetupKP520_1::ValueOf(int setting) const {
    if (edits_[setting])
        return LabelValue::Text(S(edits_[setting]->text()));
    const QComboBox* list = lists_[setting];
    const int pos = list->currentIndex();
    if (setting != LS_EMULATION || pos < 0)
        return LabelValue::Choice(pos);
    // The code of the entry shown: the four-entry list starts at ESC/POS.
    return LabelValue::Choice(list->count() == 4 ? pos : pos + 1);
}

std::vector<LabelValue> CPrintingSetupKP520_1::PageValues() const {
    std::vector<LabelValue> values;
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
        values.push_back(ValueOf(s));
    return values;
}

// The inverse of ValueOf: Emulation takes its code.
void CPrintingSetupKP520_1::SetValue(int setting, const LabelValue& value) {
    if (edits_[setting]) {
        edits_[setting]->setText(Q(value.text));
        return;
    }
    QComboBox* list = lists_[setting];
    int pos = value.choice;
    if (setting == LS_EMULATION && pos >= 0)
        pos = list->count() == 4 ? pos : pos - 1;
    list->setCurrentIndex(pos >= 0 && pos < list->count() ? pos : -1);
}

QString CPrintingSetupKP520_1::SettingNames(const std::vector<int>& settings) const {
    QStringList names;
    for (const int s : settings)
        names << labels_[s]->text().remove(QLatin1Char(':')).remove(QChar(0xFF1A));
    return names.join(QLatin1Char('\n'));
}

void CPrintingSetupKP520_1::SetButtonsEnabled(bool enabled) {
    for (QPushButton* button : buttons_)
        button->setEnabled(enabled);
    // A file loaded while a reply is on its way would be overwritten by it.
    ui_->saveFileButton->setEnabled(enabled);
    ui_->loadFileButton->setEnabled(enabled);
}

template <class Work>
void CPrintingSetupKP520_1::Start(unsigned pending, Work work) {
    if (worker_.Busy())
        return;
    pending_ |= pending;
    running_ = pending;
    SetButtonsEnabled(false);
    worker_.Run(std::move(work), [this](const LabelPageResult& result) { Finish(result); });
}

void CPrintingSetupKP520_1::OnGetSettings() {
    PortSettings copy = settings_;
    Start(PENDING_SETTINGS, [copy](const TaskControl& task) mutable {
        CPrinterPort port;
        const LabelReadResult read = ReadLabelSettings(port, copy, KeepInCopy, task.Token());
        return FromRead(LabelPageResult::Kind::Read, read, port, copy);
    });
}

void CPrintingSetupKP520_1::OnReset() {
    PortSettings copy = settings_;
    Start(PENDING_SETTINGS, [this, copy](const TaskControl& task) mutable {
        CPrinterPort port;
        bool factoryLine = true;
        // The factory line is adopted by the main window before the read-back
        // opens the port again; the read-back's own values follow at the
        // completion step.
        const auto adopt = [this, &task, &factoryLine](const PortSettings& now) {
            if (!factoryLine)
                return;
            factoryLine = false;
            task.Ask<bool>([this, now] {
                AdoptSerialLine(now);
                emit SerialValuesChanged(settings_);
                clearMarksTimer_.start();
                return true;
            });
        };
        const LabelReadResult read = ResetLabelSettings(port, copy, adopt, task.Token());
        LabelPageResult r = FromRead(LabelPageResult::Kind::Reset, read, port, copy);
        r.resetWritten = !factoryLine;
        return r;
    });
}

void CPrintingSetupKP520_1::OnSend() {
    LabelValues values;
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
        if (changeMarks_[s])
            values.emplace_back(s, ValueOf(s));
    const PortSettings copy = settings_;
    Start(0, [copy, values](const TaskControl&) {
        CPrinterPort port;
        LabelPageResult r =
            Outcome(LabelPageResult::Kind::Send, SendLabelSettings(port, copy, values), port);
        r.sent = values;
        return r;
    });
}

void CPrintingSetupKP520_1::OnVerify(const LabelValues& sent) {
    PortSettings copy = settings_;
    Start(PENDING_SETTINGS, [copy, sent](const TaskControl& task) mutable {
        CPrinterPort port;
        const LabelVerifyResult v = VerifyLabelSettings(port, copy, sent, KeepInCopy, task.Token());
        LabelPageResult r = FromRead(LabelPageResult::Kind::Verify, v.read, port, copy);
        r.sent = sent;
        r.notTaken = v.notTaken;
        return r;
    });
}

void CPrintingSetupKP520_1::OnCommand(LabelRequest kind) {
    const PortSettings copy = settings_;
    Start(0, [copy, kind](const TaskControl&) {
        CPrinterPort port;
        LabelPageResult r =
            Outcome(LabelPageResult::Kind::Command, SendLabelCommand(port, copy, kind), port);
        r.request = kind;
        return r;
    });
}

void CPrintingSetupKP520_1::OnReadText(LabelRequest kind, unsigned pending) {
    const PortSettings copy = settings_;
    Start(pending, [copy, kind](const TaskControl& task) {
        CPrinterPort port;
        std::string text;
        LabelPageResult r = Outcome(
            LabelPageResult::Kind::Text,
            ReadLabelText(port, copy, kind, SystemDefaultLanguageId(), text, task.Token()), port);
        r.request = kind;
        r.text = std::move(text);
        return r;
    });
}

void CPrintingSetupKP520_1::ShowFailure(const LabelPageResult& r) {
    const ExchangeOutcome o = r.exchange.outcome;
    if (o == ExchangeOutcome::TimedOut) {
        MessageService::Show(this, MessageIcon::Error, Q(TimeOutMessage(LanguageId())));
        return;
    }
    if (o != ExchangeOutcome::OpenFailed && o != ExchangeOutcome::WriteFailed &&
        o != ExchangeOutcome::ReadFailed)
        return;
    const QString text =
        PortFailureText(r.exchange.portError, r.portType, r.sysErrno, LanguageId());
    if (!text.isEmpty())
        MessageService::Show(
            this, o == ExchangeOutcome::ReadFailed ? MessageIcon::Error : MessageIcon::Warning,
            text);
}

void CPrintingSetupKP520_1::ApplySettings(const LabelSettings& s) {
    for (int i = 0; i < LABEL_SETTING_COUNT; ++i) {
        const LabelValue& v = s.values[static_cast<size_t>(i)];
        if (edits_[i]) {
            edits_[i]->setText(Q(v.text));
            continue;
        }
        QComboBox* list = lists_[i];
        if (i == LS_EMULATION) {
            // A code the three-entry list does not offer leaves it as it is.
            const int pos = list->count() == 4 ? v.choice : v.choice - 1;
            if (pos >= 0 && pos < list->count())
                list->setCurrentIndex(pos);
            else if (list->count() == 4)
                list->setCurrentIndex(-1);
            continue;
        }
        list->setCurrentIndex(v.choice >= 0 && v.choice < list->count() ? v.choice : -1);
    }
}

void CPrintingSetupKP520_1::AdoptSerialLine(const PortSettings& copy) {
    settings_.baudrate = copy.baudrate;
    settings_.paritySetup = copy.paritySetup;
    settings_.dataBit = copy.dataBit;
    settings_.stopBit = copy.stopBit;
    settings_.flowControl = copy.flowControl;
}

void CPrintingSetupKP520_1::Finish(const LabelPageResult& r) {
    using Kind = LabelPageResult::Kind;
    const unsigned pending = running_;
    running_ = 0;
    SetButtonsEnabled(true);
    bool complete = false;
    switch (r.kind) {
    case Kind::Read:
    case Kind::Reset:
    case Kind::Verify:
        // A reset that did not reach the printer reads nothing back and
        // leaves its pending mark for a later completion.
        complete = r.kind != Kind::Reset || r.resetWritten;
        if (r.decoded && (pending_ & PENDING_SETTINGS)) {
            ApplySettings(r.settings);
            AdoptSerialLine(r.copy);
        }
        break;
    case Kind::Text:
        complete = true;
        if (r.exchange.outcome == ExchangeOutcome::Reply && (pending_ & pending)) {
            QLineEdit* field = r.request == LabelRequest::GetSerialNumber ? ui_->serialNumberEdit
                               : r.request == LabelRequest::GetFirmwareVersion
                                   ? ui_->firmwareVersionEdit
                                   : ui_->mileageEdit;
            field->setText(Q(r.text));
        }
        break;
    case Kind::Command:
        complete = r.request == LabelRequest::Calibrate;
        break;
    case Kind::Send:
        if (r.exchange.outcome == ExchangeOutcome::Sent)
            unsent_.clear();
        ShowMarks();
        break;
    }
    if (complete)
        completionTimer_.start();
    ShowFailure(r);

    if (r.kind == Kind::Send) {
        emit SerialValuesChanged(settings_);
        bool anySent = false;
        for (const auto& [setting, value] : r.sent)
            anySent = anySent || !EncodeLabelValue(setting, value).empty();
        if (r.exchange.outcome == ExchangeOutcome::Sent && anySent &&
            MessageService::Show(
                this, MessageIcon::Information,
                TextIn(LanguageId(), CONTEXT,
                       QT_TRANSLATE_NOOP("CPrintingSetupKP520_1",
                                         "Read the settings back from the printer to see "
                                         "whether it took every value?")),
                QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
            OnVerify(r.sent);
        return;
    }
    if (r.kind == Kind::Verify && r.decoded) {
        notTaken_ = std::set<int>(r.notTaken.begin(), r.notTaken.end());
        ShowMarks();
        if (r.notTaken.empty()) {
            MessageService::Show(this, MessageIcon::Information,
                                 TextIn(LanguageId(), CONTEXT,
                                        QT_TRANSLATE_NOOP("CPrintingSetupKP520_1",
                                                          "The printer took every value.")));
            return;
        }
        MessageService::Show(this, MessageIcon::Warning,
                             TextIn(LanguageId(), CONTEXT,
                                    QT_TRANSLATE_NOOP("CPrintingSetupKP520_1",
                                                      "The printer did not take these values:\n%1"))
                                 .arg(SettingNames(r.notTaken)));
    }
}

void CPrintingSetupKP520_1::OnSaveProfile() {
    SaveProfileFromPage(
        this, LanguageId(),
        ProfileFromPage(ProfileFamily::Label, PageValues(), settings_.printerModel,
                        PRINTUNE_VERSION),
        [this](const std::vector<int>& settings) { return SettingNames(settings); });
}

void CPrintingSetupKP520_1::OnLoadProfile() {
    const std::optional<SettingsProfile> loaded =
        LoadProfileForPage(this, LanguageId(), ProfileFamily::Label);
    if (!loaded)
        return;
    const PageProfile page = ProfileFromPage(ProfileFamily::Label, PageValues(),
                                             settings_.printerModel, PRINTUNE_VERSION);
    // The codes of the Emulation list as shown: the four-entry list starts
    // at ESC/POS.
    const std::vector<int> codes = ui_->emulationCombo->count() == 4 ? std::vector<int>{0, 1, 2, 3}
                                                                     : std::vector<int>{1, 2, 3};
    const PageLoadPlan plan = PlanPageLoad(*loaded, page.profile, codes);
    for (const auto& [setting, value] : plan.changes) {
        SetValue(setting, value);
        SetChangeMark(setting);
    }
    ReportPageLoad(this, LanguageId(), plan,
                   [this](const std::vector<int>& settings) { return SettingNames(settings); });
}

// The completion step: the main window adopts the copy's serial line, and
// the pending marks of the operations that have ended are cleared (never
// that of one started since, whose reply is still to come).
void CPrintingSetupKP520_1::Complete() {
    emit SerialValuesChanged(settings_);
    pending_ &= running_;
}

} // namespace printune
