#pragma once
// CUpgradeFW: the firmware update page. The user reads how to put the
// printer into its update mode, asks a label printer to enter download mode,
// chooses a firmware or font file and sends it. Both operations are engine
// functions run on the page's workers; the page applies the button rules and
// shows progress, the printer's wait and the version before and after.
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "base/ui/async_task.h"
#include "port/ui/function_page.h"

namespace Ui {
class CUpgradeFW;
}

namespace printune {

struct DownloadModeResult;
struct FirmwareUpdateRequest;
struct FirmwareUpdateResult;
struct PortSettings;
struct UpdateProgress;
class PortLink;

class CUpgradeFW : public CFunctionPage {
    Q_OBJECT

public:
    explicit CUpgradeFW(QWidget* parent = nullptr);
    ~CUpgradeFW() override;

    // The open-file dialog, replaceable for tests: gets the filter, returns
    // the chosen path or nothing when cancelled.
    using FileChooser =
        std::function<std::optional<QString>(QWidget* owner, const QString& filter)>;
    static void SetFileChooser(FileChooser chooser);

    // An update that keeps the printer's settings. The firmware code knows
    // no settings: the application supplies it (app/keep_settings_update.h).
    // Without one the "Keep the printer's settings" box stays disabled.
    using KeepingUpdate = std::function<FirmwareUpdateResult(
        PortLink& link, const PortSettings& copy, const FirmwareUpdateRequest& request,
        std::stop_token stop, const std::function<void(const UpdateProgress&)>& onProgress)>;
    static void SetKeepingUpdate(KeepingUpdate update);

    // How long to wait for a label printer to answer after an update.
    void SetReturnWaitMs(int ms) { returnWaitMs_ = ms; }

    bool Busy() const { return busy_; }
    bool DownloadModeFlag() const { return downloadMode_; }
    bool DownloadCommandRunning() const { return downloadTask_.Busy(); }
    // Whether "Keep the printer's settings" can be ticked now.
    bool KeepSettingsAvailable() const;
    // The Browse filter for the page's model and the UI language.
    QString BrowseFilterText() const;

protected:
    void OnSettingsChanged() override;
    void showEvent(QShowEvent* event) override;

private:
    void OnBrowse();
    void OnUpdate();
    void OnDownloadMode();
    void OnProgress(const UpdateProgress& progress);
    void EndUpdate(const FirmwareUpdateResult& result);
    void EndDownloadMode(const DownloadModeResult& result);
    // The repaint rules and the instruction note for the current state.
    void ApplyRules();
    QString InstructionText() const;

    std::unique_ptr<Ui::CUpgradeFW> ui_;
    int lastBrowseResult_ = 0; // 1: the last file dialog chose a file
    QString filePath_;
    bool busy_ = false;
    bool downloadMode_ = false;
    std::optional<std::string> versionBefore_; // read before the download-mode command
    int returnWaitMs_;
    AsyncTask transfer_;     // TransferThread
    AsyncTask downloadTask_; // DownloadModeThread
};

} // namespace printune
