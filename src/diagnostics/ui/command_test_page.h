#pragma once
// CCommandTest: the "Command Test" page. Sends typed text or hex bytes, once
// or in a loop, and whole files with a progress display; shows what the
// printer sends back after each data send in a time-stamped console, and
// keeps the last inputs for Up and Down in the input box.
#include <functional>
#include <memory>

#include "port/ui/function_page.h"
#include "base/ui/async_task.h"
#include "diagnostics/input_history.h"

namespace Ui {
class CCommandTest;
}

namespace printune {

struct DataSendResult;
struct FileProgress;
struct FileSendResult;
struct ReplyRead;

class CCommandTest : public CFunctionPage {
    Q_OBJECT

public:
    explicit CCommandTest(QWidget* parent = nullptr);
    ~CCommandTest() override;

    // Whether a data or file send is under way (its worker or its result).
    bool Sending() const { return dataWorker_.Busy() || fileWorker_.Busy(); }
    // The history file beside the settings file.
    static QString HistoryPath();
    // The file dialogs of "Browse" and of saving the replies. Tests replace
    // them (an empty result is a cancel); empty restores the dialogs.
    enum class FileChoice { Open, Save };
    using FileChooser = std::function<QString(QWidget* owner, FileChoice choice)>;
    static void SetFileChooser(FileChooser chooser);

    // The last percentage the "Send File" caption showed during a send.
    const QString& LastProgressCaption() const { return lastCaption_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnSendData();
    void OnStopSending();
    void OnClearBox();
    void OnBrowse();
    void OnSendFile();
    void OnStop();
    void OnSaveReplies();
    void FinishDataSend(const DataSendResult& result);
    void FinishFileSend(const FileSendResult& result);
    void ShowProgress(const FileProgress& progress);
    void AppendReply(const QString& stamp, const ReplyRead& reply, int portType);
    void SetSendButtonsEnabled(bool enabled);
    void Remember(const QString& input);
    QString ChooseFile(FileChoice choice);

    std::unique_ptr<Ui::CCommandTest> ui_;
    int lastBrowseResult_ = 2; // the file dialog's cancel result until a file is chosen
    InputHistory history_;
    QString lastCaption_;
    AsyncTask dataWorker_;
    AsyncTask fileWorker_;
};

} // namespace printune
