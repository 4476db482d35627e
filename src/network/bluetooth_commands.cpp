#include "network/bluetooth_commands.h"

#include <chrono>
#include <cstdio>

#include "base/codepage.h"
#include "base/device_texts.h"
#include "port/exchange.h"
#include "port/port_errors.h"

namespace printune {

BluetoothCommand BuildBluetoothSettings(const std::string& name, const std::string& password,
                                        int languageId) {
    BluetoothCommand r;
    const size_t nameLength = Utf8CharCount(name);
    if (nameLength < 1 || nameLength > BT_NAME_MAX) {
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::BtNameInvalid, languageId)};
        return r;
    }
    if (Utf8CharCount(password) != BT_PASSWORD_LENGTH) {
        r.notice =
            Notice{Severity::Error, DeviceTextString(DeviceText::BtPasswordInvalid, languageId)};
        return r;
    }
    TextBytes n = LowByteText(name, languageId);
    TextBytes p = LowByteText(password, languageId);
    if (!n.ok || !p.ok) {
        r.notice = Notice{Severity::Error, !n.ok ? n.error : p.error};
        return r;
    }
    r.bytes = {0x1B, 0x0D, 0x48};
    r.bytes.insert(r.bytes.end(), n.bytes.begin(), n.bytes.end());
    r.bytes.resize(3 + BT_NAME_MAX, 0x00);
    r.bytes.insert(r.bytes.end(), p.bytes.begin(), p.bytes.end());
    r.bytes.insert(r.bytes.end(), {0x00, 0x10});
    r.ok = true;
    return r;
}

std::vector<uint8_t> BluetoothRestoreCommand() {
    return {0x1B, 0x0D, 0x49};
}

std::vector<uint8_t> BluetoothGetCommand() {
    return {0x1B, 0x0D, 0x47};
}

BluetoothInfo DecodeBluetoothReply(const uint8_t* data, size_t length) {
    uint8_t reply[BT_REPLY_LENGTH] = {};
    for (size_t i = 0; i < length && i < sizeof reply; ++i)
        reply[i] = data[i];
    BluetoothInfo info;
    info.complete = length >= BT_REPLY_LENGTH;
    char part[4];
    for (int i = 0; i < 6; ++i) {
        std::snprintf(part, sizeof part, i < 5 ? "%02X-" : "%02X", reply[i]);
        info.mac += part;
    }
    info.password = LowByteToUtf8(reply + 6, 4);
    info.name = LowByteToUtf8(reply + 10, 16);
    return info;
}

BluetoothGetResult GetBluetoothSettings(PortLink& link, std::stop_token stop, int languageId,
                                        int timeoutMs) {
    BluetoothGetResult r;
    LinkAsPort port{link};
    ExchangeOptions options;
    options.timeoutMs = timeoutMs;
    options.replyLength = BT_REPLY_LENGTH;
    ExchangeResult x = ExchangeOver(port, BluetoothGetCommand(), true, options, stop);
    switch (x.outcome) {
    case ExchangeOutcome::Reply:
        r.info = DecodeBluetoothReply(x.reply.data(), x.reply.size());
        r.ok = true;
        break;
    case ExchangeOutcome::OpenFailed:
        r.notice = OpenFailureNotice(link, x.portError, Severity::Warning, languageId);
        break;
    case ExchangeOutcome::WriteFailed:
        r.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::SendFailed, languageId),
                          PortErrorHint(x.portError, link.PortType(), x.sysErrno, languageId)};
        break;
    case ExchangeOutcome::ReadFailed:
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::ReadFailed, languageId)};
        break;
    case ExchangeOutcome::TimedOut:
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::TimedOut, languageId)};
        break;
    case ExchangeOutcome::Sent:
    case ExchangeOutcome::Stopped:
        break;
    }
    return r;
}

} // namespace printune
