#pragma once
// The firmware page's rules, shared with the command line: which buttons the
// interface and model allow, which instruction note and file filter the page
// shows, and which image kinds a model takes.
#include <optional>
#include <string>

#include "firmware/firmware_image.h"

namespace printune {

// KP-520, KP-740, KP-500 by the names of the given language: the models with
// a download-mode command.
bool HasDownloadCommand(const std::string& printerModel, int languageId);

// HT-740, HT-750, HT-760 (fixed names): updated by hand over USB only.
bool IsReceiptFirmwareModel(const std::string& printerModel);

struct FirmwareButtonState {
    bool updateEnabled = false;
    bool downloadShown = false;
    // Empty: the rules leave Download Mode's enabled state as it is.
    std::optional<bool> downloadEnabled;
};

// The repaint rules: Update and Download Mode for the interface, the model,
// the busy flag and the download-mode flag.
FirmwareButtonState FirmwareButtons(int portType, const std::string& printerModel, int languageId,
                                    bool busy, bool downloadMode);

// Whether an update, or the download-mode command, may run at all (the
// buttons' rules when idle).
bool UpdateAvailable(int portType, const std::string& printerModel, int languageId);
bool DownloadCommandAvailable(int portType, const std::string& printerModel, int languageId);

// Where an update can keep the printer's settings: a label printer with the
// download-mode command, over USB or the network, with a .bin image (its
// settings are read before the command and written back after the update).
bool SettingsKeepable(int portType, const std::string& printerModel, const std::string& path,
                      int languageId);

enum class InstructionNote {
    DownloadMode, // the label printers' note: "Download Mode", Browse, Update
    ManualMode,   // the receipt printers' note: update mode entered by hand
};

// By the process-wide USB product filter: "3D71" or "3D72" is a receipt
// printer chosen.
InstructionNote InstructionNoteFor(const std::string& usbPidFilter);

enum class BrowseFilter {
    ReceiptFiles, // *.fw, *.cg
    LabelFiles,   // *.bin;*.mot, *.cg (the Chinese filter: *.bin only)
};
BrowseFilter BrowseFilterFor(const std::string& printerModel);

// Whether the chosen model takes an image of this kind: a receipt model
// takes .fw and .cg, every other model .bin and .cg. A wrong image can leave
// a printer that does not start, so a mismatch is refused before anything is
// switched or sent. Empty when it fits, else the message (warning).
std::optional<Notice> CheckImageForModel(ImageKind kind, const std::string& path,
                                         const std::string& printerModel, int languageId);

} // namespace printune
