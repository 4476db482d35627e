#pragma once
// Messages of the firmware update in both languages, so the page and the
// command line say the same.
#include <cstdint>
#include <string>

namespace printune {

enum class FirmwareText {
    LabelModelTakes,   // %s: path, %s: model
    ReceiptModelTakes, // %s: path, %s: model
    VersionChange,     // %s: before, %s: after
    VersionAfter,      // %s: after (nothing was read before)
    NotBack,           // %s: seconds waited
    WaitingForReturn,  // %s: seconds waited, %s: the bound
    WaitingForLoader,  // the printer re-enumerates in download mode
    ReadingVersion,    // before the download-mode command
};

// The text in the language with the given identifier (1033 or 2052), UTF-8,
// each %s replaced by the next argument.
std::string FormatFirmwareText(FirmwareText id, int languageId, const std::string& a = {},
                               const std::string& b = {});

// "120.5 KB of 512.0 KB, 8.2 KB/s, 0:48 left"; rate and time left only when
// known (rate > 0, secondsLeft >= 0).
std::string TransferDetail(int64_t sent, int64_t total, double bytesPerSecond, int64_t secondsLeft,
                           int languageId);

} // namespace printune
