#pragma once
// Table helpers shared by the label and receipt command sets: per-setting
// wire data and texts, the set-command body, reply byte access.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/label_commands.h"

namespace printune::detail {

struct SettingText {
    const char* key;
    const char* english;
    const char* chinese;
};

std::string SettingLabel(const SettingText* table, int count, int setting, int languageId);
std::string SettingKey(const SettingText* table, int count, int setting);
int SettingFromKey(const SettingText* table, int count, const std::string& key);

// Reply bytes past the received ones read as zero.
uint8_t ByteAt(const Bytes& reply, int offset);
uint16_t Le16At(const Bytes& reply, int offset);

// The set commands of the given settings, ascending, each once (the last
// value wins), framed. encode(setting, value) gives the value bytes; empty
// leaves the setting out.
template <class Encode>
Bytes BuildFramedSetCommands(const std::vector<std::pair<int, LabelValue>>& settings, int count,
                             const SettingWire* wire, Encode encode) {
    std::map<int, const LabelValue*> ordered;
    for (const auto& [setting, value] : settings)
        if (setting >= 0 && setting < count)
            ordered[setting] = &value;
    Bytes body;
    for (const auto& [setting, value] : ordered) {
        Bytes v = encode(setting, *value);
        if (v.empty())
            continue;
        body.push_back(0x1B);
        body.push_back(wire[setting].command);
        body.insert(body.end(), v.begin(), v.end());
    }
    return FrameCommands(body);
}

} // namespace printune::detail
