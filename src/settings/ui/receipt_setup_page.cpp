#include "settings/ui/receipt_setup_page.h"

#include <QKeyEvent>
#include <QTimer>

#include "base/language.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "port/models.h"
#include "port/printer_port.h"
#include "port/ui/port_failure_text.h"
#include "printune_version.h"
#include "settings/profile_page.h"
#include "settings/settings_messages.h"
#include "settings/ui/profile_file_flow.h"
#include "ui_receipt_setup_page.h"

namespace printune {

namespace {

const char* const kContext = "CInternalSetupHT740";

QString BlackTip(const QString& text) {
    return QStringLiteral("<font color=\"black\">%1</font>").arg(text.toHtmlEscaped());
}

void CopySerialLine(PortSettings& to, const PortSettings& from) {
    to.baudrate = from.baudrate;
    to.paritySetup = from.paritySetup;
    to.dataBit = from.dataBit;
    to.stopBit = from.stopBit;
    to.flowControl = from.flowControl;
}

} // namespace

CInternalSetupHT740::CInternalSetupHT740(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CInternalSetupHT740>()),
      completionTimer_(new QTimer(this)) {
    ui_->setupUi(this);
    // The Cutter Switch row is hidden until the model says otherwise.
    ui_->cutterLabel->hide();
    ui_->cutterCombo->hide();
    ui_->selfTestButton->hide(); // kept in the page, never shown, no action

    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        if (QComboBox* list = ListOf(s)) {
            list->setCurrentIndex(-1);
            connect(list, &QComboBox::activated, this, [this, s] { OnListActivated(s); });
        } else if (QLineEdit* edit = EditOf(s)) {
            connect(edit, &QLineEdit::textEdited, this, [this, s] { OnDistanceEdited(s); });
            // The English page takes only digits from the keyboard; the
            // Chinese one any character. The validation applies to both.
            if (UiLanguageId() != LANG_CHINESE)
                edit->installEventFilter(this);
        }
    }

    ui_->languageCombo->setToolTip(BlackTip(tr("Set the page mode to Off or On")));
    ui_->sendButton->setToolTip(BlackTip(
        tr("Set the printer's settings to the options that have change or is default value.")));
    ui_->restoreButton->setToolTip(
        BlackTip(tr("Set the option of current page to default value, and send to printer")));
    ui_->cutterCombo->setToolTip(BlackTip(tr("Set the cutter to On or Off")));
    ui_->paperWideCombo->setToolTip(BlackTip(tr("Set the print paper's wide mode, 76mm or 57mm")));
    ui_->directionCombo->setToolTip(
        BlackTip(tr("Set the print-head's printing direction, Unidirectional or Bidirectional.")));
    ui_->blackMarkCombo->setToolTip(BlackTip(tr("Set the Top Form Sensing to Off or On")));
    ui_->markToHomeEdit->setToolTip(
        BlackTip(tr("Distance from black mark to start print position. Value is -35~5766 mm")));
    ui_->markToCutterEdit->setToolTip(
        BlackTip(tr("Distance from black mark to cutting position. Value is -54~5766 mm")));
    ui_->statusButton->setToolTip(BlackTip(tr("Ask the printer for its status now")));

    completionTimer_->setSingleShot(true);
    completionTimer_->setInterval(COMPLETION_MS);
    connect(completionTimer_, &QTimer::timeout, this, &CInternalSetupHT740::OnCompletion);

    connect(ui_->getButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnGetSettings);
    connect(ui_->restoreButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnRestore);
    connect(ui_->sendButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnSend);
    connect(ui_->statusButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnQueryStatus);
    connect(ui_->saveFileButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnSaveProfile);
    connect(ui_->loadFileButton, &QPushButton::clicked, this, &CInternalSetupHT740::OnLoadProfile);
    ShowStatus(ReceiptStatus{});
}

CInternalSetupHT740::~CInternalSetupHT740() = default;

QString CInternalSetupHT740::Text(const char* source) const {
    return TextIn(LanguageId(), kContext, source);
}

QComboBox* CInternalSetupHT740::ListOf(int setting) const {
    switch (setting) {
    case RS_PRINTER_LANGUAGE:
        return ui_->languageCombo;
    case RS_CUTTER_SWITCH:
        return ui_->cutterCombo;
    case RS_PAPER_WIDE:
        return ui_->paperWideCombo;
    case RS_PRINTING_DIRECTION:
        return ui_->directionCombo;
    case RS_PAPER_TYPE:
        return ui_->paperTypeCombo;
    case RS_BLACK_MARK:
        return ui_->blackMarkCombo;
    default:
        return nullptr;
    }
}

QLineEdit* CInternalSetupHT740::EditOf(int setting) const {
    if (setting == RS_MARK_TO_HOME)
        return ui_->markToHomeEdit;
    if (setting == RS_MARK_TO_CUTTER)
        return ui_->markToCutterEdit;
    return nullptr;
}

QLabel* CInternalSetupHT740::LabelOf(int setting) const {
    switch (setting) {
    case RS_PRINTER_LANGUAGE:
        return ui_->languageLabel;
    case RS_CUTTER_SWITCH:
        return ui_->cutterLabel;
    case RS_PAPER_WIDE:
        return ui_->paperWideLabel;
    case RS_PRINTING_DIRECTION:
        return ui_->directionLabel;
    case RS_PAPER_TYPE:
        return ui_->paperTypeLabel;
    case RS_BLACK_MARK:
        return ui_->blackMarkLabel;
    case RS_MARK_TO_HOME:
        return ui_->markToHomeLabel;
    default:
        return ui_->markToCutterLabel;
    }
}

// Bold: "Send Settings" sends the setting (marks are never cleared).
void CInternalSetupHT740::ShowMarks() {
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        QLabel* label = LabelOf(s);
        QFont font = label->font();
        font.setBold(marks_[static_cast<size_t>(s)]);
        label->setFont(font);
    }
}

QString CInternalSetupHT740::SettingNames(const std::vector<int>& settings) const {
    QStringList names;
    for (const int s : settings)
        names << LabelOf(s)->text();
    return names.join(QLatin1Char('\n'));
}

int CInternalSetupHT740::ModelPositionOfCopy() const {
    return ModelPosition(settings_.printerModel, UiLanguageId());
}

void CInternalSetupHT740::ApplyCutterRule() {
    const CutterRow row =
        PaintCutterRow(ModelPositionOfCopy(), ui_->cutterCombo->currentIndex() >= 0, marks_);
    if (row == CutterRow::Unchanged)
        return;
    ShowMarks();
    const bool visible = row == CutterRow::Shown;
    if (ui_->cutterCombo->isHidden() == visible) {
        ui_->cutterLabel->setVisible(visible);
        ui_->cutterCombo->setVisible(visible);
    }
}

void CInternalSetupHT740::paintEvent(QPaintEvent* event) {
    ApplyCutterRule();
    CFunctionPage::paintEvent(event);
}

void CInternalSetupHT740::OnSettingsChanged() {
    ApplyCutterRule();
    // The copy's language may have changed; a progress text stays.
    if (!worker_.Busy())
        ShowStatus(status_);
}

bool CInternalSetupHT740::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(event)->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && !typed.at(0).isDigit())
            return true;
    }
    return CFunctionPage::eventFilter(watched, event);
}

void CInternalSetupHT740::ReadControls() {
    for (int s : {RS_MARK_TO_HOME, RS_MARK_TO_CUTTER})
        fields_[static_cast<size_t>(s)] = S(EditOf(s)->text());
}

void CInternalSetupHT740::PutFields() {
    // setText is not a user edit: the validation does not run for it.
    for (int s : {RS_MARK_TO_HOME, RS_MARK_TO_CUTTER})
        EditOf(s)->setText(Q(fields_[static_cast<size_t>(s)]));
}

ReceiptValues CInternalSetupHT740::CurrentValues() const {
    ReceiptValues values;
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        if (const QComboBox* list = ListOf(s))
            values[static_cast<size_t>(s)] = ReceiptValue::Choice(list->currentIndex());
        else
            values[static_cast<size_t>(s)] = ReceiptValue::Text(S(EditOf(s)->text()));
    }
    return values;
}

void CInternalSetupHT740::OnListActivated(int setting) {
    marks_[static_cast<size_t>(setting)] = true;
    ShowMarks();
}

void CInternalSetupHT740::OnDistanceEdited(int setting) {
    ReadControls();
    std::string& field = fields_[static_cast<size_t>(setting)];
    const DistanceCheck check = CheckReceiptDistance(setting, field);
    if (check.outcome == DistanceCheck::NotInteger) {
        MessageService::Show(this, MessageIcon::None, Q(InputIntegerMessage(LanguageId())));
        field = check.text;
        PutFields();
        return;
    }
    if (check.outcome == DistanceCheck::Corrected) {
        field = check.text;
        MessageService::Show(this, MessageIcon::Warning, Q(ValueTooLargeMessage(LanguageId())));
        PutFields();
    }
    marks_[static_cast<size_t>(setting)] = true;
    ShowMarks();
}

void CInternalSetupHT740::OnSaveProfile() {
    const ReceiptValues values = CurrentValues();
    SaveProfileFromPage(
        this, LanguageId(),
        ProfileFromPage(ProfileFamily::Receipt, {values.begin(), values.end()},
                        settings_.printerModel, PRINTUNE_VERSION),
        [this](const std::vector<int>& settings) { return SettingNames(settings); });
}

void CInternalSetupHT740::OnLoadProfile() {
    const std::optional<SettingsProfile> loaded =
        LoadProfileForPage(this, LanguageId(), ProfileFamily::Receipt);
    if (!loaded)
        return;
    const ReceiptValues values = CurrentValues();
    const PageProfile page = ProfileFromPage(ProfileFamily::Receipt, {values.begin(), values.end()},
                                             settings_.printerModel, PRINTUNE_VERSION);
    const PageLoadPlan plan = PlanPageLoad(*loaded, page.profile, {});
    ReadControls();
    for (const auto& [setting, value] : plan.changes) {
        if (QComboBox* list = ListOf(setting))
            list->setCurrentIndex(value.choice);
        else
            fields_[static_cast<size_t>(setting)] = value.text;
        marks_[static_cast<size_t>(setting)] = true;
    }
    PutFields();
    ShowMarks();
    ReportPageLoad(this, LanguageId(), plan,
                   [this](const std::vector<int>& settings) { return SettingNames(settings); });
}

void CInternalSetupHT740::SetOperationButtonsEnabled(bool enabled) {
    ui_->getButton->setEnabled(enabled);
    ui_->restoreButton->setEnabled(enabled);
    ui_->sendButton->setEnabled(enabled);
    // A file loaded while a reply is on its way would be overwritten by it.
    ui_->saveFileButton->setEnabled(enabled);
    ui_->loadFileButton->setEnabled(enabled);
}

void CInternalSetupHT740::EnableAfterTimer() {
    ui_->sendButton->setEnabled(true);
    ui_->restoreButton->setEnabled(true);
}

void CInternalSetupHT740::RunOrDefer(std::function<void()> start) {
    if (!worker_.Busy()) {
        start();
        return;
    }
    // Only a status inquiry can run while the buttons are enabled: it
    // gives way to the user's operation.
    if (statusRunning_) {
        deferred_ = std::move(start);
        worker_.RequestStop();
    }
}

void CInternalSetupHT740::OnGetSettings() {
    pending_ = true;
    SetOperationButtonsEnabled(false);
    RunOrDefer([this] { StartRead(false); });
}

void CInternalSetupHT740::OnRestore() {
    SetOperationButtonsEnabled(false);
    RunOrDefer([this] { StartRead(true); });
}

void CInternalSetupHT740::StartRead(bool restore) {
    ui_->statusButton->setEnabled(false);
    const PortSettings start = settings_;
    worker_.Run(
        [this, start, restore](const TaskControl& task) {
            const ReceiptProgress progress = [this, &task](ReceiptStep step) {
                task.Post([this, step] { ShowProgress(step); });
            };
            // The restore's factory serial line goes to the main window at
            // once (the read-back talks at it); the read-back is pending.
            const SerialLineAdopter adopt = [this, &task](const PortSettings& line) {
                task.Ask<bool>([this, line] {
                    emit SerialValuesChanged(line);
                    pending_ = true;
                    return true;
                });
            };
            ReceiptPageReport report;
            report.copy = start;
            CPrinterPort port;
            report.read =
                restore ? RestoreReceiptSettings(port, report.copy, adopt, task.Token(), progress)
                        : ReadReceiptSettings(port, report.copy, task.Token(), progress);
            report.portType = port.portType;
            report.sysErrno = port.LastErrno();
            return report;
        },
        [this](const ReceiptPageReport& report) { FinishRead(report); });
}

void CInternalSetupHT740::ShowFailure(const ExchangeResult& result, int portType, int sysErrno) {
    switch (result.outcome) {
    case ExchangeOutcome::OpenFailed:
    case ExchangeOutcome::WriteFailed:
    case ExchangeOutcome::ReadFailed: {
        QString text = PortFailureText(result.portError, portType, sysErrno, LanguageId());
        if (text.isEmpty())
            text = Q(ExchangeFailureMessage(result, portType, LanguageId()));
        const MessageIcon icon = result.outcome == ExchangeOutcome::ReadFailed
                                     ? MessageIcon::Error
                                     : MessageIcon::Warning;
        MessageService::Show(this, icon, text);
        break;
    }
    case ExchangeOutcome::TimedOut:
        MessageService::Show(this, MessageIcon::Error, Q(TimeOutMessage(LanguageId())));
        break;
    default:
        break;
    }
}

void CInternalSetupHT740::ApplyDecoded(const ReceiptSettings& settings) {
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        const ReceiptValue& v = settings.values[static_cast<size_t>(s)];
        if (QComboBox* list = ListOf(s)) {
            if (v.choice >= 0)
                list->setCurrentIndex(v.choice);
        } else {
            fields_[static_cast<size_t>(s)] = v.text;
        }
    }
    ApplyCutterRule();
}

void CInternalSetupHT740::FinishRead(const ReceiptPageReport& report) {
    const ExchangeResult& result = report.read.exchange;
    if (result.outcome == ExchangeOutcome::Stopped)
        return; // the page is going away
    switch (result.outcome) {
    case ExchangeOutcome::Reply:
        if (pending_) {
            ApplyDecoded(report.read.settings);
            CopySerialLine(settings_, report.copy);
            completionTimer_->start();
        }
        break;
    case ExchangeOutcome::ReadFailed:
    case ExchangeOutcome::TimedOut:
        // The time-out re-enables Send and Restore as every timer does.
        EnableAfterTimer();
        ShowFailure(result, report.portType, report.sysErrno);
        if (pending_)
            completionTimer_->start();
        break;
    default: // open and write failures: the read stays pending
        ShowFailure(result, report.portType, report.sysErrno);
        break;
    }
    FinishOperation();
}

void CInternalSetupHT740::OnCompletion() {
    completionTimer_->stop();
    emit SerialValuesChanged(settings_);
    pending_ = false;
    PutFields();
    EnableAfterTimer();
}

void CInternalSetupHT740::OnSend() {
    // The request is complete before the worker starts.
    const Bytes request = BuildReceiptSendRequest(CurrentValues(), marks_);
    const PortSettings copy = settings_;
    SetOperationButtonsEnabled(false);
    RunOrDefer([this, request, copy] {
        ui_->statusButton->setEnabled(false);
        worker_.Run(
            [request, copy](const TaskControl&) {
                CPrinterPort port;
                const ExchangeResult r = SendReceiptSettings(port, copy, request);
                return std::make_tuple(r, port.portType, port.LastErrno());
            },
            [this](const std::tuple<ExchangeResult, int, int>& done) {
                FinishSend(std::get<0>(done), std::get<1>(done), std::get<2>(done));
            });
    });
}

void CInternalSetupHT740::FinishSend(const ExchangeResult& result, int portType, int sysErrno) {
    ShowFailure(result, portType, sysErrno);
    FinishOperation();
}

void CInternalSetupHT740::FinishOperation() {
    SetOperationButtonsEnabled(true);
    ui_->statusButton->setEnabled(true);
    StartStatusInquiry();
}

void CInternalSetupHT740::OnQueryStatus() {
    if (!worker_.Busy())
        StartStatusInquiry();
}

void CInternalSetupHT740::StartStatusInquiry() {
    statusRunning_ = true;
    ui_->statusButton->setEnabled(false);
    ui_->statusValue->setText(Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "Asking…")));
    const PortSettings copy = settings_;
    worker_.Run(
        [copy](const TaskControl& task) {
            CPrinterPort port;
            return ReadReceiptStatus(port, copy, task.Token());
        },
        [this](const ReceiptStatusResult& result) {
            statusRunning_ = false;
            ShowStatus(result.status);
            ui_->statusButton->setEnabled(true);
            if (deferred_) {
                const std::function<void()> start = std::move(deferred_);
                deferred_ = nullptr;
                start();
            }
        });
}

void CInternalSetupHT740::ShowStatus(const ReceiptStatus& status) {
    status_ = status;
    static const char* const kWords[RECEIPT_CONDITION_COUNT] = {
        QT_TRANSLATE_NOOP("CInternalSetupHT740", "Paper near end"),
        QT_TRANSLATE_NOOP("CInternalSetupHT740", "Paper end"),
        QT_TRANSLATE_NOOP("CInternalSetupHT740", "Cover open"),
        QT_TRANSLATE_NOOP("CInternalSetupHT740", "Cutter error"),
        QT_TRANSLATE_NOOP("CInternalSetupHT740", "Off-line"),
    };
    if (!status.Known()) {
        ui_->statusValue->setText(Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "unknown")));
        return;
    }
    QStringList words;
    for (ReceiptCondition c : status.Conditions())
        words << Text(kWords[static_cast<int>(c)]);
    ui_->statusValue->setText(
        words.isEmpty() ? Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "Ready"))
                        : words.join(Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", ", "))));
}

void CInternalSetupHT740::ShowProgress(ReceiptStep step) {
    switch (step) {
    case ReceiptStep::ReadingSettings:
        ui_->statusValue->setText(
            Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "Reading the printer's settings…")));
        break;
    case ReceiptStep::Restoring:
        ui_->statusValue->setText(
            Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "Restoring all settings…")));
        break;
    case ReceiptStep::Settling:
        ui_->statusValue->setText(
            Text(QT_TRANSLATE_NOOP("CInternalSetupHT740", "Waiting for the printer to restart…")));
        break;
    }
}

} // namespace printune
