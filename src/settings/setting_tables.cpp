#include "settings/setting_tables.h"

#include "base/language.h"

namespace printune::detail {

std::string SettingLabel(const SettingText* table, int count, int setting, int languageId) {
    if (setting < 0 || setting >= count)
        return {};
    return languageId == LANG_CHINESE ? table[setting].chinese : table[setting].english;
}

std::string SettingKey(const SettingText* table, int count, int setting) {
    return setting >= 0 && setting < count ? table[setting].key : "";
}

int SettingFromKey(const SettingText* table, int count, const std::string& key) {
    for (int s = 0; s < count; ++s)
        if (key == table[s].key)
            return s;
    return -1;
}

uint8_t ByteAt(const Bytes& reply, int offset) {
    return offset >= 0 && offset < static_cast<int>(reply.size())
               ? reply[static_cast<size_t>(offset)]
               : 0;
}

uint16_t Le16At(const Bytes& reply, int offset) {
    return static_cast<uint16_t>(ByteAt(reply, offset) | (ByteAt(reply, offset + 1) << 8));
}

} // namespace printune::detail
