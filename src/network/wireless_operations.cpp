#include "network/wireless_operations.h"

#include "base/device_texts.h"
#include "base/utf8.h"

namespace printune {

namespace {

WirelessOutcome Send(PortLink& link, const std::vector<uint8_t>& bytes, int languageId,
                     const std::stop_token& stop, const SendProgressFn& progress) {
    WirelessOutcome r;
    if (stop.stop_requested()) {
        r.stopped = true;
        return r;
    }
    if (progress)
        progress(SendProgress{link.PortType()});
    const SendOutcome sent = SendToPrinter(link, bytes, languageId);
    r.ok = sent.ok;
    r.portError = sent.portError;
    r.bytesSent = sent.bytesSent;
    r.notice = sent.notice;
    return r;
}

WirelessOutcome Refused(Notice notice) {
    WirelessOutcome r;
    r.refused = true;
    r.notice = std::move(notice);
    return r;
}

} // namespace

WirelessOutcome SendWifiSettings(PortLink& link, const WifiConfig& config, int languageId,
                                 std::stop_token stop, const SendProgressFn& progress) {
    const WifiCommand command = BuildWifiCommand(config, languageId);
    if (!command.ok) {
        WirelessOutcome r = Refused(command.notice.value_or(Notice{}));
        r.problem = command.problem;
        return r;
    }
    return Send(link, command.bytes, languageId, stop, progress);
}

WirelessOutcome ResetWifiSettings(PortLink& link, int languageId, std::stop_token stop,
                                  const SendProgressFn& progress) {
    return Send(link, BuildWifiResetCommand(), languageId, stop, progress);
}

WirelessOutcome SendBluetoothSettings(PortLink& link, const std::string& name,
                                      const std::string& password, int languageId,
                                      std::stop_token stop, const SendProgressFn& progress) {
    // The command has room for 16, but the dialog's field takes 15.
    if (Utf8CharCount(name) > static_cast<size_t>(BT_NAME_EDIT_MAX))
        return Refused(
            Notice{Severity::Error, DeviceTextString(DeviceText::BtNameInvalid, languageId)});
    const BluetoothCommand command = BuildBluetoothSettings(name, password, languageId);
    if (!command.ok)
        return Refused(command.notice.value_or(Notice{}));
    return Send(link, command.bytes, languageId, stop, progress);
}

WirelessOutcome RestoreBluetoothSettings(PortLink& link, int languageId, std::stop_token stop,
                                         const SendProgressFn& progress) {
    return Send(link, BluetoothRestoreCommand(), languageId, stop, progress);
}

} // namespace printune
