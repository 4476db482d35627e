#include "network/bluetooth_commands.h"

#include <chrono>
#include <cstdio>

#include "app/codepage.h"
#include "diagnostics/device_texts.h"

namespace printune {

BluetoothCommand BuildBluetoothSettings(const std::string& name, const std::string& password,
                                        int languageId) {
    BluetoothCommand r;
    const size_t nameLength = CharacterCount(name);
    if (nameLength < 1 || nameLength > BT_NAME_MAX) {
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::BtNameInvalid, languageId)};
        return r;
    }
    if (CharacterCount(password) != BT_PASSWORD_LENGTH) {
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

} // namespace printune

namespace printune {

BluetoothGetResult GetBluetoothSettings(PortLink& link, std::stop_token stop, int languageId,
                                        int timeoutMs) {
    BluetoothGetResult r;
    LinkCloser closer(link);
    const std::vector<uint8_t> command = BluetoothGetCommand();
    try {
        if (link.Open() != 1) {
            r.notice = OpenFailureNotice(link, 0, Severity::Warning, languageId);
            return r;
        }
    } catch (int code) {
        r.notice = OpenFailureNotice(link, code, Severity::Warning, languageId);
        return r;
    }
    try {
        if (link.Write(command.data(), static_cast<int32_t>(command.size())) !=
            static_cast<int>(command.size()))
            throw 8003;
    } catch (int) {
        r.notice = Notice{Severity::Warning, DeviceTextString(DeviceText::SendFailed, languageId)};
        return r;
    }
    std::vector<uint8_t> reply(1024, 0);
    size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    try {
        // Wait for the first bytes; a reply split in transit is completed
        // by the reads that follow until it is whole or the line is quiet.
        while (!stop.stop_requested()) {
            int n = link.Read(reply.data() + got, static_cast<int>(reply.size() - got));
            if (n > 0) {
                got += static_cast<size_t>(n);
                if (got >= BT_REPLY_LENGTH)
                    break;
                continue;
            }
            if (got > 0 || std::chrono::steady_clock::now() >= deadline)
                break;
        }
    } catch (int) {
        r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::ReadFailed, languageId)};
        return r;
    }
    if (got == 0) {
        if (!stop.stop_requested())
            r.notice = Notice{Severity::Error, DeviceTextString(DeviceText::TimedOut, languageId)};
        return r;
    }
    r.info = DecodeBluetoothReply(reply.data(), got);
    r.ok = true;
    return r;
}

} // namespace printune
