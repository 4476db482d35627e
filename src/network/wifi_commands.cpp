#include "network/wifi_commands.h"

#include "base/codepage.h"
#include "base/device_texts.h"
#include "base/hex_text.h"
#include "base/language.h"

namespace printune {

const std::vector<std::string>& WifiModeNames() {
    static const std::vector<std::string> names = {"AP", "STA"};
    return names;
}

const std::vector<std::string>& WifiEncryptionNames() {
    static const std::vector<std::string> names = {"None",
                                                   "WEP64",
                                                   "WEP128",
                                                   "WPA-PSK(TKIP)",
                                                   "WPA-PSK(CCMP/AES)",
                                                   "WPA2-PSK(TKIP)",
                                                   "WPA2-PSK(CCMP/AES)"};
    return names;
}

const std::vector<std::string>& WifiKeyFormatNames() {
    static const std::vector<std::string> names = {"HEX", "ASCII"};
    return names;
}

std::vector<std::string> WifiDhcpNames(int languageId) {
    if (languageId == LANG_CHINESE)
        return {"无效", "有效"};
    return {"Disable", "Enable"};
}

namespace {

bool AllHex(const std::string& key) {
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace

KeyCheck CheckWifiKey(int encryption, int keyFormat, const std::string& key) {
    if (encryption <= WIFI_ENCRYPTION_NONE || encryption >= WIFI_ENCRYPTION_COUNT ||
        (keyFormat != WIFI_KEY_HEX && keyFormat != WIFI_KEY_ASCII))
        return KeyCheck::NotNeeded;
    const size_t n = Utf8CharCount(key);
    bool ok = false;
    if (keyFormat == WIFI_KEY_ASCII) {
        ok = encryption == 1 ? n == 5 : encryption == 2 ? n == 13 : n >= 8 && n <= 63;
    } else {
        // Two hex characters per key byte: an odd count cannot be a key.
        ok = AllHex(key) && n % 2 == 0 &&
             (encryption == 1   ? n == 10
              : encryption == 2 ? n == 26
                                : n >= 16 && n <= 128);
    }
    return ok ? KeyCheck::Valid : KeyCheck::Invalid;
}

WifiCommand BuildWifiCommand(const WifiConfig& c, int languageId) {
    WifiCommand r;
    auto missing = [&] {
        r.problem = WifiProblem::MissingField;
        r.notice =
            Notice{Severity::Warning, DeviceTextString(DeviceText::WifiFieldMissing, languageId)};
        return r;
    };
    if ((c.mode != WIFI_MODE_AP && c.mode != WIFI_MODE_STA) || c.ssid.empty() || c.encryption < 0 ||
        c.encryption >= WIFI_ENCRYPTION_COUNT ||
        (c.keyFormat != WIFI_KEY_HEX && c.keyFormat != WIFI_KEY_ASCII) ||
        (c.dhcp != WIFI_DHCP_DISABLE && c.dhcp != WIFI_DHCP_ENABLE) || !c.ip || !c.mask ||
        !c.gateway)
        return missing();

    const bool noKey = c.encryption == WIFI_ENCRYPTION_NONE;
    if (!noKey && CheckWifiKey(c.encryption, c.keyFormat, c.key) != KeyCheck::Valid) {
        r.problem = WifiProblem::BadKey;
        r.notice =
            Notice{Severity::Warning, DeviceTextString(DeviceText::WifiKeyFormat, languageId)};
        return r;
    }
    TextBytes ssid = LowByteText(c.ssid, languageId);
    TextBytes key;
    key.ok = true;
    if (!noKey && c.keyFormat == WIFI_KEY_ASCII)
        key = LowByteText(c.key, languageId);
    if (!ssid.ok || !key.ok) {
        r.problem = WifiProblem::BadText;
        r.notice = Notice{Severity::Warning, !ssid.ok ? ssid.error : key.error};
        return r;
    }
    if (!noKey && c.keyFormat == WIFI_KEY_HEX)
        ParseHexText(c.key, key.bytes); // checked above: hex digits, even count

    std::vector<uint8_t>& b = r.bytes;
    b = {0x1B, 0x0D, 0x53, 0x1B, 0x3E};
    b.push_back(c.mode == WIFI_MODE_AP ? 0x02 : 0x00);
    b.insert(b.end(), ssid.bytes.begin(), ssid.bytes.end());
    b.push_back(0x00);
    b.push_back(static_cast<uint8_t>(c.encryption));
    b.push_back(c.keyFormat == WIFI_KEY_ASCII ? 0x01 : 0x00);
    b.push_back(noKey ? 0x00 : 0x01);
    b.insert(b.end(), key.bytes.begin(), key.bytes.end());
    b.push_back(0x00);
    b.push_back(0x01);
    b.insert(b.end(), c.ip->begin(), c.ip->end());
    b.insert(b.end(), c.gateway->begin(), c.gateway->end());
    b.insert(b.end(), c.mask->begin(), c.mask->end());
    b.push_back(c.dhcp == WIFI_DHCP_DISABLE ? 0x01 : 0x00);
    b.insert(b.end(), {0x1B, 0x10, 0x45});
    r.ok = true;
    return r;
}

} // namespace printune
