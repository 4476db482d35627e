#include "firmware/firmware_rules.h"

#include "port/models.h"
#include "firmware/firmware_texts.h"
#include "port/port_settings.h"

namespace printune {

bool HasDownloadCommand(const std::string& printerModel, int languageId) {
    return IsLabelPrinterName(printerModel, languageId);
}

bool IsReceiptFirmwareModel(const std::string& printerModel) {
    return printerModel == "HT-740" || printerModel == "HT-750" || printerModel == "HT-760";
}

FirmwareButtonState FirmwareButtons(int portType, const std::string& printerModel, int languageId,
                                    bool busy, bool downloadMode) {
    FirmwareButtonState s;
    const bool label = HasDownloadCommand(printerModel, languageId);
    s.downloadShown = label;
    if (portType == PORT_USB || portType == PORT_LAN) {
        s.updateEnabled = !busy;
        if (label) {
            if (!busy && !downloadMode)
                s.downloadEnabled = true;
        } else if (portType == PORT_LAN) {
            s.updateEnabled = false;
        }
    } else {
        s.updateEnabled = false;
        if (label)
            s.downloadEnabled = false;
    }
    return s;
}

bool UpdateAvailable(int portType, const std::string& printerModel, int languageId) {
    return FirmwareButtons(portType, printerModel, languageId, false, false).updateEnabled;
}

bool DownloadCommandAvailable(int portType, const std::string& printerModel, int languageId) {
    const FirmwareButtonState s = FirmwareButtons(portType, printerModel, languageId, false, false);
    return s.downloadShown && s.downloadEnabled.value_or(false);
}

InstructionNote InstructionNoteFor(const std::string& usbPidFilter) {
    return usbPidFilter == "3D71" || usbPidFilter == "3D72" ? InstructionNote::ManualMode
                                                            : InstructionNote::DownloadMode;
}

BrowseFilter BrowseFilterFor(const std::string& printerModel) {
    return IsReceiptFirmwareModel(printerModel) ? BrowseFilter::ReceiptFiles
                                                : BrowseFilter::LabelFiles;
}

std::optional<Notice> CheckImageForModel(ImageKind kind, const std::string& path,
                                         const std::string& printerModel, int languageId) {
    const bool receipt = IsReceiptFirmwareModel(printerModel);
    const bool fits = kind == ImageKind::CharacterGenerator ||
                      (receipt ? kind == ImageKind::ReceiptFirmware : kind == ImageKind::LabelFile);
    if (fits || kind == ImageKind::Unknown)
        return std::nullopt;
    return Notice{Severity::Warning, FormatFirmwareText(receipt ? FirmwareText::ReceiptModelTakes
                                                                : FirmwareText::LabelModelTakes,
                                                        languageId, path, printerModel)};
}

} // namespace printune

namespace printune {

bool SettingsKeepable(int portType, const std::string& printerModel, const std::string& path,
                      int languageId) {
    return HasDownloadCommand(printerModel, languageId) &&
           UpdateAvailable(portType, printerModel, languageId) &&
           ImageKindFromPath(path) == ImageKind::LabelFile;
}

} // namespace printune
