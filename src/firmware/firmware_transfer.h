#pragma once
// Sending a firmware or font image to a printer in download mode: block by
// block with progress, no reply expected. The USB filter is switched to the
// printer's update IDs for the transfer and put back on every path.
#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>

#include "firmware/firmware_image.h"
#include "port/port_link.h"

namespace printune {

struct TransferProgress {
    int64_t sent = 0;
    int64_t total = 0;
    int percent = 0;
    std::string caption; // "%d%%", the Update button's caption while sending
};

struct TransferResult {
    bool ok = false;
    int64_t sent = 0;
    int writes = 0;
    int portError = 0;
    std::optional<Notice> notice; // "File sent successfully." or the failure
};

// Zero-byte writes in a row after which the printer is taken as gone.
inline constexpr int MAX_ZERO_WRITES = 100;

// Sends image over link (already configured: port type, device names), with
// the USB filter switched for the duration. A write that takes fewer bytes
// than its block ends the update at once, so the printer never gets an image
// with a hole in it.
TransferResult TransferImage(PortLink& link, const FirmwareImage& image, bool downloadMode,
                             std::stop_token stop, int languageId,
                             const std::function<void(const TransferProgress&)>& onProgress = {});

// PrepareImage then TransferImage. A file that cannot be read or is of no
// known kind is reported and nothing is switched or sent.
TransferResult UpdateFirmware(PortLink& link, const std::string& path, bool downloadMode,
                              std::stop_token stop, int languageId,
                              const std::function<void(const TransferProgress&)>& onProgress = {});

// Whether the Update button is enabled once an update has ended: after a
// complete transfer always; after a failure only for a model that is not one
// of the label printers (they must be put into download mode again first).
bool UpdateEnabledAfterUpdate(bool completed, const std::string& printerModel, int languageId);

// After the download-mode command a USB printer leaves the bus and comes back
// in download mode. How long to look for it, and how often.
inline constexpr int PRINTER_RETURN_POLL_MS = 100;
inline constexpr int PRINTER_RETURN_MAX_MS = 10000;

enum class PrinterReturn { Back, NotBack, Stopped };

// Polls the USB listing until a printer the filter lets through is present
// again: after it was seen gone, or, when it is never seen gone, once
// settleMs have passed (it restarted between two looks). Gives up after
// min(maxMs, PRINTER_RETURN_MAX_MS). onPoll gets each look's result.
PrinterReturn WaitForPrinterReturn(const UsbFilter& filter, int settleMs, int maxMs,
                                   std::stop_token stop,
                                   const std::function<void(bool present)>& onPoll = {});

// The seven-byte download-mode command in one open, write, close, with the
// standard messages (warning icon). ok means the printer took it.
SendOutcome SendDownloadCommand(PortLink& link, int languageId);

} // namespace printune
