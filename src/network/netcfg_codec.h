#pragma once
// Wire format of the label printers' UDP network configuration protocol:
// an 11-byte header (signature, direction, command) followed by text
// entries "KEY = value<spaces>\r\n" with a fixed width per key, closed by
// the terminator "*END* = \r\n". Pure functions over bytes; every parse is
// bounded by the length it is given.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace printune {

inline constexpr uint16_t NETCFG_PORT = 22094;

inline constexpr uint32_t NETCFG_CMD_SEARCH = 1;
inline constexpr uint32_t NETCFG_CMD_QUERY = 2;
inline constexpr uint32_t NETCFG_CMD_SET = 3;

inline constexpr uint8_t NETCFG_DIR_REQUEST = 0x00;
inline constexpr uint8_t NETCFG_DIR_REPLY = 0xFF;

inline constexpr size_t NETCFG_HEADER_SIZE = 11;
inline constexpr uint8_t NETCFG_SIGNATURE[6] = {0x00, 0x0D, 0xAC, 0x00, 0x0D, 0xAC};
inline constexpr std::string_view NETCFG_TERMINATOR = "*END* = \r\n";
inline constexpr size_t NETCFG_SEARCH_SIZE = 21;
inline constexpr size_t NETCFG_QUERY_SIZE = 76;
// Largest request or reply body (command field, entries, terminator).
inline constexpr size_t NETCFG_BODY_MAX = 640;
inline constexpr size_t NETCFG_MAX_ENTRIES = 12;
inline constexpr size_t NETCFG_VALUE_MAX = 32;

// The keys, in the order a parser tries them and a set request sends them.
struct NetCfgKey {
    std::string_view name;
    int8_t width;
};
inline constexpr std::array<NetCfgKey, 11> NETCFG_KEYS = {{
    {"DEV", 20},
    {"VER", 20},
    {"SERIAL_NUM", 20},
    {"MAC", 12},
    {"IP_CUR", 15},
    {"DHCP", 1},
    {"IP", 15},
    {"SUBNET_MASK", 15},
    {"GATEWAY", 15},
    {"PRNT_PORT", 5},
    {"PRNT_RCV_TMO", 5},
}};
// The width of a known key, or 0.
int8_t NetCfgKeyWidth(std::string_view key);

// One entry in memory. `key` always points at one of NETCFG_KEYS' names
// (empty for an empty entry), so entries are trivially copyable.
struct NetCfgEntry {
    std::string_view key;
    std::array<char, NETCFG_VALUE_MAX + 1> value{};
    int8_t width = 0;

    bool Empty() const { return key.empty() || width == 0; }
    std::string_view Value() const;
    // Sets a known key and its width; the value is cut to the width.
    // Returns false (entry unchanged) for an unknown key.
    bool Set(std::string_view keyName, std::string_view text);
};

// Ends at the first empty entry, or after twelve.
using NetCfgEntryList = std::array<NetCfgEntry, NETCFG_MAX_ENTRIES>;

void NetCfgClearEntries(NetCfgEntryList& list);
// Number of entries before the end of the list.
size_t NetCfgEntryCount(const NetCfgEntryList& list);
// The entry with this key before the end of the list, or nullptr.
const NetCfgEntry* NetCfgFindEntry(const NetCfgEntryList& list, std::string_view key);
// Appends at the list's end; false when the list is full or the key unknown.
bool NetCfgAppendEntry(NetCfgEntryList& list, std::string_view key, std::string_view value);

// One printer as listed by a search: NUL-terminated single-byte strings.
struct NetCfgDevice {
    char name[21] = {};
    char version[21] = {};
    char mac[13] = {};
    char ip[16] = {};
    char serial[21] = {};

    bool Free() const { return mac[0] == '\0'; }
};

// Writes key, " = ", the value padded with spaces (cut) to the width, CR LF.
// Returns the bytes written, key length + width + 5 (0 when `out` is null).
// `out` must hold that many bytes.
size_t NetCfgEncodeEntry(uint8_t* out, const NetCfgEntry& entry);

// Header with the given direction and command (11 bytes).
void NetCfgEncodeHeader(uint8_t* out, uint8_t direction, uint32_t command);
// The 21-byte search request. Returns 21, or -1 when out is null or
// capacity is too small.
int NetCfgBuildSearch(uint8_t* out, size_t capacity);
// The 76-byte query request for the first 12 characters of mac and the
// first 20 of serial. Returns 76, or -1 when the buffer is absent or small.
int NetCfgBuildQuery(uint8_t* out, size_t capacity, std::string_view mac, std::string_view serial);
// The set request with every entry of the list up to its end. Returns its
// length, or -1 when the buffer is absent or too small.
int NetCfgBuildSet(uint8_t* out, size_t capacity, const NetCfgEntryList& list);
// A whole message with any direction and command and the given entries
// (the simulated printers build their replies with it).
int NetCfgBuildMessage(uint8_t* out, size_t capacity, uint8_t direction, uint32_t command,
                       const NetCfgEntryList& list);

// When `text` (of `length` bytes) starts with key + " = " and holds the
// key's full width and CR LF after it, fills the entry and returns the
// entry's wire length; otherwise returns 0.
size_t NetCfgParseEntry(const char* text, size_t length, std::string_view key, int8_t width,
                        NetCfgEntry& entry);

// Parses a reply body after its command field into `list`.
// 0 ok, -1 no text, -2 an unknown key or a wrong width, -8 no terminator.
// With targetMac and matchFlag given, matchFlag := (MAC entry == targetMac)
// for every MAC entry seen; it is left alone when there is none.
int NetCfgParseReply(const char* text, size_t length, NetCfgEntryList& list,
                     const char* targetMac = nullptr, int* matchFlag = nullptr);

// Whether a parsed search reply names its printer: "DEV", "VER",
// "SERIAL_NUM", "MAC" and "IP_CUR" are all present.
bool NetCfgIsSearchReply(const NetCfgEntryList& list);

// The identity fields of the list into a device record. 0, or -1 when the
// list is absent.
int NetCfgCopyDevice(const NetCfgEntryList* list, NetCfgDevice& device);

} // namespace printune
