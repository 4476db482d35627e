#include "diagnostics/ui/command_test_page.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <mutex>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QIntValidator>
#include <QKeyEvent>
#include <QTextBlock>

#include "base/device_texts.h"
#include "base/language.h"
#include "base/narrow_text.h"
#include "base/ui/message_service.h"
#include "base/ui/text_service.h"
#include "diagnostics/data_send.h"
#include "diagnostics/reply_console.h"
#include "diagnostics/ui/notice_box.h"
#include "port/port_errors.h"
#include "ui_command_test_page.h"

namespace printune {

namespace {

// Eight bytes a line keep time, hex and text within the page's width.
constexpr size_t PANE_BYTES_PER_LINE = 8;

CCommandTest::FileChooser& Chooser() {
    static CCommandTest::FileChooser chooser;
    return chooser;
}

QString BlackTip(const QString& text) {
    return QStringLiteral("<font color=\"black\">%1</font>").arg(text.toHtmlEscaped());
}

} // namespace

CCommandTest::CCommandTest(QWidget* parent)
    : CFunctionPage(parent), ui_(std::make_unique<Ui::CCommandTest>()) {
    ui_->setupUi(this);
    ui_->progressBar->hide();

    ui_->inputBox->setToolTip(BlackTip(tr("Input the command you want to send")));
    ui_->hexSendCheck->setToolTip(
        BlackTip(tr("Select the option when you want to send data by hexadecimal")));
    ui_->dataLoopCheck->setToolTip(
        BlackTip(tr("Select the option when you want to send data by loop mode")));
    ui_->sendDataButton->setToolTip(
        BlackTip(tr("Click the button to send the command that have been input")));
    ui_->clearBoxButton->setToolTip(BlackTip(tr("Click the button to clear the input box")));
    ui_->filePathEdit->setToolTip(BlackTip(tr("The path of the file that you want to send")));
    ui_->browseButton->setToolTip(
        BlackTip(tr("Click the button to brow the file that you want to send")));
    ui_->sendFileButton->setToolTip(
        BlackTip(tr("Click the button to send the file that have selected")));
    ui_->replyPane->setToolTip(
        BlackTip(tr("What the printer sent back after each data send: time, hex bytes and text")));
    ui_->replyWindowSpin->setToolTip(
        BlackTip(tr("How long to wait for a reply after each data send (0: do not wait)")));

    // The Chinese input box scrolls; the English one has no scroll bar.
    ui_->inputBox->setVerticalScrollBarPolicy(
        UiLanguageId() == LANG_CHINESE ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    ui_->replyPane->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    ui_->inputBox->installEventFilter(this);
    // The interval boxes take milliseconds only.
    for (QLineEdit* interval : {ui_->dataIntervalEdit, ui_->fileIntervalEdit})
        interval->setValidator(new QIntValidator(0, 99999999, interval));
    history_.Load(S(HistoryPath()));

    connect(ui_->dataLoopCheck, &QCheckBox::toggled, ui_->dataIntervalEdit, &QWidget::setEnabled);
    connect(ui_->fileLoopCheck, &QCheckBox::toggled, ui_->fileIntervalEdit, &QWidget::setEnabled);
    connect(ui_->sendDataButton, &QPushButton::clicked, this, &CCommandTest::OnSendData);
    connect(ui_->stopSendingButton, &QPushButton::clicked, this, &CCommandTest::OnStopSending);
    connect(ui_->clearBoxButton, &QPushButton::clicked, this, &CCommandTest::OnClearBox);
    connect(ui_->browseButton, &QPushButton::clicked, this, &CCommandTest::OnBrowse);
    connect(ui_->sendFileButton, &QPushButton::clicked, this, &CCommandTest::OnSendFile);
    connect(ui_->stopButton, &QPushButton::clicked, this, &CCommandTest::OnStop);
    connect(ui_->clearReplyButton, &QPushButton::clicked, ui_->replyPane, &QPlainTextEdit::clear);
    connect(ui_->saveReplyButton, &QPushButton::clicked, this, &CCommandTest::OnSaveReplies);
}

CCommandTest::~CCommandTest() = default;

QString CCommandTest::HistoryPath() {
    return QDir::current().filePath(QString::fromLatin1(INPUT_HISTORY_FILE));
}

void CCommandTest::SetSendButtonsEnabled(bool enabled) {
    for (QWidget* w :
         {static_cast<QWidget*>(ui_->sendDataButton), static_cast<QWidget*>(ui_->sendFileButton),
          static_cast<QWidget*>(ui_->browseButton), static_cast<QWidget*>(ui_->clearBoxButton)})
        w->setEnabled(enabled);
}

bool CCommandTest::eventFilter(QObject* watched, QEvent* event) {
    if (watched != ui_->inputBox || event->type() != QEvent::KeyPress)
        return CFunctionPage::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const QTextCursor cursor = ui_->inputBox->textCursor();
    const QTextDocument* document = ui_->inputBox->document();
    std::string entry;
    // Up on the first line walks back, Down on the last line forward; inside
    // a multi-line input the keys move the cursor as usual.
    bool walked = false;
    if (key == Qt::Key_Up && cursor.block() == document->firstBlock())
        walked = history_.Older(S(ui_->inputBox->toPlainText()), entry);
    else if (key == Qt::Key_Down && cursor.block() == document->lastBlock())
        walked = history_.Newer(entry);
    if (!walked)
        return CFunctionPage::eventFilter(watched, event);
    ui_->inputBox->setPlainText(Q(entry));
    ui_->inputBox->moveCursor(QTextCursor::End);
    return true;
}

void CCommandTest::Remember(const QString& input) {
    history_.Add(S(input));
    // The history is a convenience: a folder that cannot take it loses it
    // quietly rather than interrupting the send.
    history_.Save(S(HistoryPath()));
}

void CCommandTest::OnClearBox() {
    ui_->inputBox->clear();
}

void CCommandTest::OnSendData() {
    if (Sending())
        return;
    const QString input = ui_->inputBox->toPlainText();
    const int language = LanguageId();
    DataBytes data = BuildDataBytes(S(input), ui_->hexSendCheck->isChecked(),
                                    NarrowCodePage(SystemDefaultLanguageId()), language);
    if (!data.ok) {
        if (data.notice)
            ShowNotice(this, *data.notice);
        return;
    }
    Remember(input);
    const bool loop = ui_->dataLoopCheck->isChecked();
    const int interval = IntervalFromText(S(ui_->dataIntervalEdit->text()));
    const int window = ui_->replyWindowSpin->value();
    const PortSettings copy = settings_;
    SetSendButtonsEnabled(false);
    dataWorker_.Run(
        // `page` is used only inside posted steps, which run on the GUI
        // thread and never after the page is gone.
        [copy, bytes = std::move(data.bytes), loop, interval, window, language,
         page = this](const TaskControl& task) {
            PrinterPortLink link(copy);
            ReplyWatch watch;
            watch.windowMs = window;
            watch.onReply = [&task, page, portType = copy.portType](int, const ReplyRead& reply) {
                const QString stamp = Q(TimeStamp(std::chrono::system_clock::now()));
                task.Post(
                    [stamp, reply, portType, page] { page->AppendReply(stamp, reply, portType); });
            };
            return RunDataSend(link, bytes, loop, interval, task.Token(), language, {}, watch);
        },
        [this](const DataSendResult& result) { FinishDataSend(result); });
}

void CCommandTest::OnStopSending() {
    // Ends a looping data send after its current write and reply; with
    // nothing running it changes nothing.
    dataWorker_.RequestStop();
}

void CCommandTest::AppendReply(const QString& stamp, const ReplyRead& reply, int portType) {
    QPlainTextEdit* pane = ui_->replyPane;
    const int firstLine = pane->document()->isEmpty() ? 0 : pane->document()->blockCount();
    if (reply.readError != 0)
        pane->appendPlainText(stamp + QStringLiteral("  ") +
                              Q(PortErrorMessage(reply.readError, portType, LanguageId())));
    else if (reply.bytes.empty())
        pane->appendPlainText(
            stamp + QStringLiteral("  ") +
            TextIn(LanguageId(), "CCommandTest", QT_TRANSLATE_NOOP("CCommandTest", "No reply.")));
    for (const std::string& line : ConsoleLines(reply.bytes, S(stamp), PANE_BYTES_PER_LINE))
        pane->appendPlainText(Q(line));
    // Show the reply from its time stamp on, even when it is longer than
    // the pane.
    pane->moveCursor(QTextCursor::End);
    QTextCursor start(pane->document()->findBlockByNumber(firstLine));
    pane->setTextCursor(start);
    pane->ensureCursorVisible();
}

void CCommandTest::FinishDataSend(const DataSendResult& result) {
    SetSendButtonsEnabled(true);
    if (result.notice)
        ShowNotice(this, *result.notice);
}

void CCommandTest::SetFileChooser(FileChooser chooser) {
    Chooser() = std::move(chooser);
}

QString CCommandTest::ChooseFile(FileChoice choice) {
    if (Chooser())
        return Chooser()(this, choice);
    const bool open = choice == FileChoice::Open;
    QFileDialog dialog(this, open ? tr("Open") : tr("Save Replies"));
    if (open) {
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilters({tr("Data File(*.hex *.txt)"), tr("All File(*)")});
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilters({tr("Text File(*.txt)"), tr("All File(*)")});
        dialog.setDefaultSuffix(QStringLiteral("txt"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void CCommandTest::OnBrowse() {
    const QString path = ChooseFile(FileChoice::Open);
    lastBrowseResult_ = path.isEmpty() ? 2 : 1;
    if (!path.isEmpty())
        ui_->filePathEdit->setText(QDir::toNativeSeparators(path));
}

void CCommandTest::OnSendFile() {
    if (Sending())
        return;
    const int language = LanguageId();
    if (lastBrowseResult_ != 1 || ui_->filePathEdit->text().isEmpty()) {
        ShowNotice(this,
                   Notice{Severity::Warning, DeviceTextString(DeviceText::SelectFile, language)});
        return;
    }
    const std::string path = S(ui_->filePathEdit->text());
    const bool loop = ui_->fileLoopCheck->isChecked();
    const int interval = IntervalFromText(S(ui_->fileIntervalEdit->text()));
    const PortSettings copy = settings_;
    SetSendButtonsEnabled(false);
    ui_->progressBar->setValue(0);
    ui_->progressBar->show();
    fileWorker_.Run(
        [copy, path, loop, interval, language, page = this](const TaskControl& task) {
            PrinterPortLink link(copy);
            // At most one progress step waits in the event queue; it shows the
            // latest state when it runs, so a fast send cannot flood the queue
            // and a stalled one still shows how far it got.
            struct Latest {
                std::mutex mutex;
                FileProgress progress;
                bool queued = false;
            };
            auto latest = std::make_shared<Latest>();
            return SendFile(link, path, loop, interval, task.Token(), language,
                            [&task, latest, page](const FileProgress& progress) {
                                std::lock_guard lock(latest->mutex);
                                latest->progress = progress;
                                if (latest->queued)
                                    return;
                                latest->queued = true;
                                task.Post([latest, page] {
                                    FileProgress now;
                                    {
                                        std::lock_guard lock(latest->mutex);
                                        now = latest->progress;
                                        latest->queued = false;
                                    }
                                    page->ShowProgress(now);
                                });
                            });
        },
        [this](const FileSendResult& result) { FinishFileSend(result); });
}

void CCommandTest::ShowProgress(const FileProgress& progress) {
    // The bar counts the current pass; the caption every byte sent, so it
    // passes 100% in later passes of a looping send.
    ui_->progressBar->setRange(0, static_cast<int>(std::min<int64_t>(progress.total, INT32_MAX)));
    ui_->progressBar->setValue(static_cast<int>(std::min<int64_t>(progress.position, INT32_MAX)));
    lastCaption_ = Q(progress.caption);
    ui_->sendFileButton->setText(lastCaption_);
}

void CCommandTest::FinishFileSend(const FileSendResult& result) {
    SetSendButtonsEnabled(true);
    ui_->sendFileButton->setText(tr("Send File"));
    ui_->progressBar->hide();
    if (result.notice)
        ShowNotice(this, *result.notice);
}

void CCommandTest::OnStop() {
    fileWorker_.RequestStop();
}

void CCommandTest::OnSaveReplies() {
    const QString path = ChooseFile(FileChoice::Save);
    if (path.isEmpty())
        return;
    QFile file(path);
    const QByteArray text = ui_->replyPane->toPlainText().toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() ||
        !file.flush()) {
        MessageService::Show(
            this, MessageIcon::Warning,
            TextIn(LanguageId(), "CCommandTest",
                   QT_TRANSLATE_NOOP("CCommandTest", "The replies could not be saved to %1."))
                .arg(QDir::toNativeSeparators(path)));
    }
}

} // namespace printune
