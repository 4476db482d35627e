#pragma once
// The firmware page's two operations, shared with the command line:
// entering download mode (the printer's version read first, while it still
// answers) and the whole update — refusing an image the model does not take,
// waiting for a printer that re-enumerates in download mode, the transfer
// with its rate and time left, and afterwards waiting for the printer to
// answer again and reading its new version. They block; run them on a worker.
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "port/port_link.h"
#include "firmware/firmware_transfer.h"

namespace printune {

// Get firmware version, the label printers' text request.
std::vector<uint8_t> FirmwareVersionRequest();

// The version text of a label printer, or empty when it does not answer
// within timeoutMs (or the port fails). One open, write, read, close.
std::optional<std::string> ReadFirmwareVersion(PortLink& link, int timeoutMs, std::stop_token stop,
                                               int languageId);

inline constexpr int VERSION_READ_TIMEOUT_MS = 3000;

struct DownloadModeResult {
    SendOutcome send;                         // the command's outcome and messages
    std::optional<std::string> versionBefore; // read just before the command
};

// Reads the version (a label printer over USB or the network that answers),
// then sends the download-mode command. The version is never asked once the
// command is out: a printer in download mode takes every byte as its image.
DownloadModeResult EnterDownloadMode(PortLink& link, const std::string& printerModel,
                                     int languageId, std::stop_token stop = {});

// Rate and time left, once a few blocks have gone and some time has passed
// (before that they are unknown: rate 0, secondsLeft -1).
struct TransferEstimate {
    double bytesPerSecond = 0;
    int64_t secondsLeft = -1;
};
inline constexpr int ESTIMATE_MIN_BLOCKS = 3;
inline constexpr int64_t ESTIMATE_MIN_MS = 200;
TransferEstimate EstimateTransfer(int64_t sent, int64_t total, int64_t elapsedMs, int blocks);

enum class UpdateStage {
    WaitingForLoader, // the printer comes back on USB in download mode
    Sending,
    WaitingForReturn, // the printer restarts with its new firmware
    // An update that keeps the printer's settings (app/keep_settings_update.h):
    SavingSettings,    // read before the download-mode command
    RestoringSettings, // applied once the printer is back
};

struct UpdateProgress {
    UpdateStage stage = UpdateStage::Sending;
    TransferProgress transfer;
    TransferEstimate estimate;
    int blocks = 0;
    int waitedMs = 0;  // WaitingForReturn
    int waitMaxMs = 0; // WaitingForReturn
    std::string text;  // what to show beside the progress bar
};

enum class PrinterCheck {
    NotChecked, // not a label printer over USB or the network, or the transfer failed
    Back,       // it answered the version request
    NotBack,    // no answer within the bound
    Stopped,
};

// After the image, the printer writes it and restarts: nothing is asked of
// it for this long, then its version is asked every VERSION_POLL_MS.
inline constexpr int RESTART_SETTLE_MS = 2000;
inline constexpr int VERSION_POLL_MS = 1000;
inline constexpr int UPDATE_RETURN_MAX_MS = 60000;

// The usual pause after the download-mode command before the image follows
// (the printer restarts into its loader).
inline constexpr int AFTER_DOWNLOAD_COMMAND_MS = 1000;

struct FirmwareUpdateRequest {
    std::string path;
    std::string printerModel;
    int portType = 0;
    bool downloadMode = false; // the download-mode command went out before
    int languageId = 1033;
    std::optional<std::string> versionBefore;
    // After the download-mode command: the least time for the printer to
    // restart in download mode (USB: it is then awaited up to 10 s).
    int afterCommandMs = 0;
    int returnMaxMs = UPDATE_RETURN_MAX_MS;
};

struct FirmwareUpdateResult {
    bool refused = false; // the file was refused: nothing switched or sent
    TransferResult transfer;
    int64_t fileLength = 0;
    std::optional<std::string> versionBefore;
    std::optional<std::string> versionAfter;
    PrinterCheck check = PrinterCheck::NotChecked;
    // "Firmware 1.20 → 1.24", or the recovery advice when it did not return.
    std::optional<Notice> versionNotice;
    bool updateEnabledAfter = true; // the ending's enabling rule for Update
    // An update that keeps the settings: what became of them.
    std::optional<Notice> settingsNotice;
};

// Whether the file can be sent to the model (its kind, and it can be read):
// empty when it can, else why not. For checking before the download-mode
// command; the update checks again itself.
std::optional<Notice> CheckUpdateFile(const std::string& path, const std::string& printerModel,
                                      int languageId);

// The whole update. The USB filter is switched for the transfer only and
// restored on every path; the link is closed on every path.
FirmwareUpdateResult
RunFirmwareUpdate(PortLink& link, const FirmwareUpdateRequest& request, std::stop_token stop,
                  const std::function<void(const UpdateProgress&)>& onProgress);

} // namespace printune
