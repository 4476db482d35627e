#pragma once
// The Bluetooth commands: set name and password (25 bytes), restore all
// settings, get settings and its 26-byte reply (MAC, password, name).
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/port_link.h"

namespace printune {

inline constexpr int BT_NAME_MAX = 16;      // bytes of the name field
inline constexpr int BT_NAME_EDIT_MAX = 15; // what the dialog's edit allows
inline constexpr int BT_PASSWORD_LENGTH = 4;
inline constexpr int BT_REPLY_LENGTH = 26;
inline constexpr int BT_GET_TIMEOUT_MS = 10000;

struct BluetoothCommand {
    bool ok = false;
    std::vector<uint8_t> bytes;
    std::optional<Notice> notice; // error icon
};

// 1B 0D 48, the name padded with 00 to 16 bytes, the 4-byte password, 00 10.
// A name of 1..16 characters and a password of exactly 4, each character a
// single byte (up to U+00FF).
BluetoothCommand BuildBluetoothSettings(const std::string& name, const std::string& password,
                                        int languageId);
std::vector<uint8_t> BluetoothRestoreCommand(); // 1B 0D 49
std::vector<uint8_t> BluetoothGetCommand();     // 1B 0D 47

struct BluetoothInfo {
    std::string mac;      // "00-1B-35-0A-0B-0C"
    std::string password; // bytes 6..9
    std::string name;     // bytes 10..25 up to the first 00
    bool complete = true; // the reply held all 26 bytes (missing ones read as 00)
};

// Decodes a get reply; bytes beyond length read as 00, as in the cleared
// reply buffer.
BluetoothInfo DecodeBluetoothReply(const uint8_t* data, size_t length);

struct BluetoothGetResult {
    bool ok = false;
    BluetoothInfo info;
    std::optional<Notice> notice;
};

// Writes the get command and waits up to timeoutMs for the reply. The dialog
// reads over a link made from the current process-wide settings, while send
// and restore use its own settings copy. Failures:
// the open and write messages (warning), "Unable to get printer's setting!"
// and "Communication is time out!" (error).
BluetoothGetResult GetBluetoothSettings(PortLink& link, std::stop_token stop, int languageId,
                                        int timeoutMs = BT_GET_TIMEOUT_MS);

} // namespace printune
