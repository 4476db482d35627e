#include "fault_matrix.h"

#include "base/language.h"
#include "diagnostics/data_send.h"
#include "diagnostics/print_tests.h"
#include "firmware/firmware_update.h"
#include "network/bluetooth_commands.h"
#include "network/wireless_operations.h"
#include "port/interface_commands.h"
#include "port/port_link.h"
#include "settings/label_operations.h"
#include "settings/receipt_operations.h"
#include "settings/settings_messages.h"
#include "settings/settings_operations.h"

using namespace printune;

namespace printune_test {

namespace {

constexpr int kLang = LANG_ENGLISH;

// What a page shows for an exchange: nothing for a reply or a sent request,
// else the standard message with the remedy line of its cause.
OpOutcome FromExchange(const ExchangeResult& r, int32_t portType) {
    OpOutcome o;
    o.ok = r.outcome == ExchangeOutcome::Reply || r.outcome == ExchangeOutcome::Sent;
    o.message = ExchangeFailureMessage(r, portType, kLang);
    if (r.portError != 0)
        o.hint = PortErrorHint(r.portError, portType, r.sysErrno, kLang);
    return o;
}

OpOutcome FromNotice(bool ok, const std::optional<Notice>& notice) {
    OpOutcome o;
    o.ok = ok;
    if (notice) {
        o.message = notice->text;
        o.hint = notice->hint;
    }
    return o;
}

OpOutcome LabelText(OpContext& c, LabelRequest kind) {
    std::string text;
    return FromExchange(ReadLabelText(c.port, c.settings, kind, kLang, text), c.settings.portType);
}

// The link every send engine gets, over the context's own port so the
// matrix can see that port closed afterwards.
PrinterPortLink LinkOf(OpContext& c) {
    return PrinterPortLink(c.port, c.settings);
}

std::vector<Operation> MakeOperations() {
    std::vector<Operation> ops;
    auto add = [&ops](const char* name, OpKind kind, bool receipt,
                      std::function<OpOutcome(OpContext&)> run, bool comOnly = false) {
        ops.push_back({name, kind, receipt, comOnly, std::move(run)});
    };
    add("label get", OpKind::Reply, false, [](OpContext& c) {
        LabelReadResult r = ReadLabelSettings(c.port, c.settings);
        OpOutcome o = FromExchange(r.exchange, c.settings.portType);
        o.ok = o.ok && r.decoded;
        return o;
    });
    add("label reset", OpKind::Reply, false, [](OpContext& c) {
        LabelReadResult r = ResetLabelSettings(c.port, c.settings);
        OpOutcome o = FromExchange(r.exchange, c.settings.portType);
        o.ok = o.ok && r.decoded;
        return o;
    });
    add("label set", OpKind::OneWay, false, [](OpContext& c) {
        return FromExchange(SendLabelSettings(c.port, c.settings, {}), c.settings.portType);
    });
    add("label calibrate", OpKind::OneWay, false, [](OpContext& c) {
        return FromExchange(SendLabelCommand(c.port, c.settings, LabelRequest::Calibrate),
                            c.settings.portType);
    });
    add("label selftest", OpKind::OneWay, false, [](OpContext& c) {
        return FromExchange(SendLabelCommand(c.port, c.settings, LabelRequest::SelfTest),
                            c.settings.portType);
    });
    add("label serial", OpKind::Reply, false,
        [](OpContext& c) { return LabelText(c, LabelRequest::GetSerialNumber); });
    add("label version", OpKind::Reply, false,
        [](OpContext& c) { return LabelText(c, LabelRequest::GetFirmwareVersion); });
    add("label mileage", OpKind::Reply, false,
        [](OpContext& c) { return LabelText(c, LabelRequest::GetStatistics); });
    add("receipt get", OpKind::Reply, true, [](OpContext& c) {
        ReceiptReadResult r = ReadReceiptSettings(c.port, c.settings);
        OpOutcome o = FromExchange(r.exchange, c.settings.portType);
        o.ok = o.ok && r.decoded;
        return o;
    });
    add("receipt restore", OpKind::Reply, true, [](OpContext& c) {
        ReceiptReadResult r = RestoreReceiptSettings(c.port, c.settings);
        OpOutcome o = FromExchange(r.exchange, c.settings.portType);
        o.ok = o.ok && r.decoded;
        return o;
    });
    add("receipt set", OpKind::OneWay, true, [](OpContext& c) {
        ReceiptMarks marks{};
        ReceiptValues values{};
        return FromExchange(
            SendReceiptSettings(c.port, c.settings, BuildReceiptSendRequest(values, marks)),
            c.settings.portType);
    });
    add(
        "serial config", OpKind::OneWay, false,
        [](OpContext& c) {
            ExchangeResult r = SendSerialConfig(c.port, c.settings, 1);
            return FromExchange(r, c.port.portType);
        },
        true);
    add("wifi reset", OpKind::OneWay, false, [](OpContext& c) {
        return FromExchange(SendWifiReset(c.port, c.settings), c.settings.portType);
    });
    add("wifi set", OpKind::OneWay, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        WirelessOutcome w = SendWifiSettings(link, WifiConfig{}, kLang);
        return FromNotice(w.ok, w.notice);
    });
    add("bluetooth get", OpKind::Reply, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        // The dialog waits 10 s; the matrix has many rows to get through.
        BluetoothGetResult r = GetBluetoothSettings(link, {}, kLang, 3000);
        return FromNotice(r.ok, r.notice);
    });
    add("bluetooth set", OpKind::OneWay, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        WirelessOutcome w = SendBluetoothSettings(link, "Matrix", "1234", kLang);
        return FromNotice(w.ok, w.notice);
    });
    add("bluetooth restore", OpKind::OneWay, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        WirelessOutcome w = RestoreBluetoothSettings(link, kLang);
        return FromNotice(w.ok, w.notice);
    });
    add("firmware version", OpKind::Reply, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        OpOutcome o;
        // The page shows no message: the version box stays empty.
        o.ok = ReadFirmwareVersion(link, VERSION_READ_TIMEOUT_MS, {}, kLang).has_value();
        return o;
    });
    add("send text", OpKind::OneWay, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        DataBytes bytes = BuildDataBytes("Printune fault matrix\r\n", false, "", kLang);
        DataSendResult r = RunDataSend(link, bytes.bytes, false, 0, {}, kLang);
        return FromNotice(r.ok, r.notice);
    });
    add("send hex", OpKind::OneWay, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        DataBytes bytes = BuildDataBytes("1B 40 0A", true, "", kLang);
        DataSendResult r = RunDataSend(link, bytes.bytes, false, 0, {}, kLang);
        return FromNotice(r.ok, r.notice);
    });
    add("print test", OpKind::OneWay, true, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        SendOutcome s = SendToPrinter(link, FixedTestBytes(FixedTest::Drawer1), kLang);
        return FromNotice(s.ok, s.notice);
    });
    add("send file", OpKind::File, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        FileSendResult r = SendFile(link, c.file, false, 0, {}, kLang);
        // "File sent successfully." is the one notice of a success.
        return FromNotice(r.ok, r.ok ? std::nullopt : r.notice);
    });
    add("test data print", OpKind::File, true, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        SendOutcome s = RunTestPrint(link, c.file, kLang);
        return FromNotice(s.ok, s.notice);
    });
    add("firmware update", OpKind::File, false, [](OpContext& c) {
        PrinterPortLink link = LinkOf(c);
        FirmwareUpdateRequest q;
        q.path = c.file;
        q.printerModel = c.settings.printerModel;
        q.portType = c.settings.portType;
        q.languageId = kLang;
        q.returnMaxMs = 0; // the printer's return is not what is tested here
        FirmwareUpdateResult r = RunFirmwareUpdate(link, q, {}, [](const UpdateProgress&) {});
        if (r.refused)
            return FromNotice(false, r.transfer.notice);
        return FromNotice(r.transfer.ok, r.transfer.ok ? std::nullopt : r.transfer.notice);
    });
    return ops;
}

} // namespace

const std::vector<Operation>& Operations() {
    static const std::vector<Operation> ops = MakeOperations();
    return ops;
}

} // namespace printune_test
