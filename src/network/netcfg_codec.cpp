#include "network/netcfg_codec.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace printune {

namespace {

const NetCfgKey* FindKey(std::string_view key) {
    for (const NetCfgKey& known : NETCFG_KEYS)
        if (known.name == key)
            return &known;
    return nullptr;
}

bool StartsWith(const char* text, size_t length, std::string_view prefix) {
    return length >= prefix.size() && std::memcmp(text, prefix.data(), prefix.size()) == 0;
}

bool ContainsTerminator(const char* text, size_t length) {
    return std::string_view(text, length).find(NETCFG_TERMINATOR) != std::string_view::npos;
}

} // namespace

int8_t NetCfgKeyWidth(std::string_view key) {
    const NetCfgKey* known = FindKey(key);
    return known ? known->width : 0;
}

std::string_view NetCfgEntry::Value() const {
    return std::string_view(value.data(), strnlen(value.data(), value.size()));
}

bool NetCfgEntry::Set(std::string_view keyName, std::string_view text) {
    const NetCfgKey* known = FindKey(keyName);
    if (known == nullptr)
        return false;
    key = known->name;
    width = known->width;
    value.fill('\0');
    const size_t n = std::min(text.size(), static_cast<size_t>(width));
    std::memcpy(value.data(), text.data(), n);
    return true;
}

void NetCfgClearEntries(NetCfgEntryList& list) {
    for (NetCfgEntry& entry : list)
        entry = NetCfgEntry{};
}

size_t NetCfgEntryCount(const NetCfgEntryList& list) {
    size_t count = 0;
    while (count < list.size() && !list[count].Empty())
        ++count;
    return count;
}

const NetCfgEntry* NetCfgFindEntry(const NetCfgEntryList& list, std::string_view key) {
    const size_t count = NetCfgEntryCount(list);
    for (size_t i = 0; i < count; ++i)
        if (list[i].key == key)
            return &list[i];
    return nullptr;
}

bool NetCfgAppendEntry(NetCfgEntryList& list, std::string_view key, std::string_view value) {
    const size_t count = NetCfgEntryCount(list);
    if (count >= list.size())
        return false;
    NetCfgEntry entry;
    if (!entry.Set(key, value))
        return false;
    list[count] = entry;
    return true;
}

size_t NetCfgEncodeEntry(uint8_t* out, const NetCfgEntry& entry) {
    if (out == nullptr || entry.width <= 0)
        return 0;
    const size_t width = static_cast<size_t>(entry.width);
    uint8_t* p = out;
    std::memcpy(p, entry.key.data(), entry.key.size());
    p += entry.key.size();
    std::memcpy(p, " = ", 3);
    p += 3;
    std::memset(p, ' ', width);
    const std::string_view value = entry.Value();
    std::memcpy(p, value.data(), std::min(value.size(), width));
    p += width;
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<size_t>(p - out);
}

void NetCfgEncodeHeader(uint8_t* out, uint8_t direction, uint32_t command) {
    std::memcpy(out, NETCFG_SIGNATURE, sizeof NETCFG_SIGNATURE);
    out[6] = direction;
    for (int i = 0; i < 4; ++i)
        out[7 + i] = static_cast<uint8_t>(command >> (8 * i));
}

int NetCfgBuildMessage(uint8_t* out, size_t capacity, uint8_t direction, uint32_t command,
                       const NetCfgEntryList& list) {
    if (out == nullptr)
        return -1;
    size_t needed = NETCFG_HEADER_SIZE + NETCFG_TERMINATOR.size();
    const size_t count = NetCfgEntryCount(list);
    for (size_t i = 0; i < count; ++i)
        needed += list[i].key.size() + static_cast<size_t>(list[i].width) + 5;
    if (capacity < needed)
        return -1;
    NetCfgEncodeHeader(out, direction, command);
    size_t length = NETCFG_HEADER_SIZE;
    for (size_t i = 0; i < count; ++i)
        length += NetCfgEncodeEntry(out + length, list[i]);
    std::memcpy(out + length, NETCFG_TERMINATOR.data(), NETCFG_TERMINATOR.size());
    return static_cast<int>(length + NETCFG_TERMINATOR.size());
}

int NetCfgBuildSearch(uint8_t* out, size_t capacity) {
    NetCfgEntryList none{};
    return NetCfgBuildMessage(out, capacity, NETCFG_DIR_REQUEST, NETCFG_CMD_SEARCH, none);
}

int NetCfgBuildQuery(uint8_t* out, size_t capacity, std::string_view mac, std::string_view serial) {
    if (out == nullptr || capacity < NETCFG_QUERY_SIZE)
        return -1;
    NetCfgEntryList list{};
    list[0].Set("MAC", mac);
    list[1].Set("SERIAL_NUM", serial);
    return NetCfgBuildMessage(out, capacity, NETCFG_DIR_REQUEST, NETCFG_CMD_QUERY, list);
}

int NetCfgBuildSet(uint8_t* out, size_t capacity, const NetCfgEntryList& list) {
    return NetCfgBuildMessage(out, capacity, NETCFG_DIR_REQUEST, NETCFG_CMD_SET, list);
}

size_t NetCfgParseEntry(const char* text, size_t length, std::string_view key, int8_t width,
                        NetCfgEntry& entry) {
    if (text == nullptr || width <= 0 || static_cast<size_t>(width) > NETCFG_VALUE_MAX)
        return 0;
    const size_t wire = key.size() + static_cast<size_t>(width) + 5;
    if (length < wire || !StartsWith(text, length, key) ||
        std::memcmp(text + key.size(), " = ", 3) != 0)
        return 0;
    entry = NetCfgEntry{};
    entry.key = key;
    entry.width = width;
    size_t n = static_cast<size_t>(width);
    std::memcpy(entry.value.data(), text + key.size() + 3, n);
    while (n > 0 && entry.value[n - 1] == ' ')
        entry.value[--n] = '\0';
    return wire;
}

int NetCfgParseReply(const char* text, size_t length, NetCfgEntryList& list, const char* targetMac,
                     int* matchFlag) {
    if (text == nullptr)
        return -1;
    if (!ContainsTerminator(text, length))
        return -8;
    NetCfgClearEntries(list);
    size_t pos = 0;
    for (size_t slot = 0; slot < NETCFG_MAX_ENTRIES; ++slot) {
        if (StartsWith(text + pos, length - pos, NETCFG_TERMINATOR)) {
            list[slot] = NetCfgEntry{};
            return 0;
        }
        size_t used = 0;
        for (const NetCfgKey& key : NETCFG_KEYS) {
            used = NetCfgParseEntry(text + pos, length - pos, key.name, key.width, list[slot]);
            if (used != 0)
                break;
        }
        if (used == 0)
            return -2;
        if (list[slot].key == "MAC" && targetMac != nullptr && matchFlag != nullptr)
            *matchFlag = list[slot].Value() == std::string_view(targetMac) ? 1 : 0;
        pos += used;
    }
    return 0;
}

int NetCfgCopyDevice(const NetCfgEntryList* list, NetCfgDevice& device) {
    if (list == nullptr)
        return -1;
    device = NetCfgDevice{};
    const auto copy = [](char* field, size_t size, const NetCfgEntry& entry) {
        const std::string_view value = entry.Value();
        const size_t n = std::min({value.size(), size - 1, static_cast<size_t>(entry.width)});
        std::memcpy(field, value.data(), n);
        field[n] = '\0';
    };
    // A key named twice counts by its first entry, as every lookup
    // (NetCfgFindEntry) reads it, so the list and the dialogs agree.
    const std::pair<std::string_view, std::pair<char*, size_t>> fields[] = {
        {"DEV", {device.name, sizeof device.name}},
        {"VER", {device.version, sizeof device.version}},
        {"SERIAL_NUM", {device.serial, sizeof device.serial}},
        {"MAC", {device.mac, sizeof device.mac}},
        {"IP_CUR", {device.ip, sizeof device.ip}}};
    for (const auto& [key, field] : fields)
        if (const NetCfgEntry* entry = NetCfgFindEntry(*list, key))
            copy(field.first, field.second, *entry);
    return 0;
}

bool NetCfgIsSearchReply(const NetCfgEntryList& list) {
    for (std::string_view key : {"DEV", "VER", "SERIAL_NUM", "MAC", "IP_CUR"})
        if (NetCfgFindEntry(list, key) == nullptr)
            return false;
    return true;
}

} // namespace printune
