#include "port/port_settings.h"

#include <mutex>

#include "base/language.h"

namespace printune {

namespace {
std::mutex g_currentMutex;
PortSettings g_current;
} // namespace

PortSettings DefaultPortSettings(const std::string& firstModel, int systemLanguageId) {
    PortSettings s;
    s.printerModel = firstModel;
    s.language = systemLanguageId == LANG_CHINESE ? "Chinese" : "English";
    return s;
}

PortSettings CurrentPortSettings() {
    std::lock_guard lock(g_currentMutex);
    return g_current;
}

void SetCurrentPortSettings(const PortSettings& settings) {
    std::lock_guard lock(g_currentMutex);
    g_current = settings;
}

const char* PortTypeKey(int32_t portType) {
    switch (portType) {
    case PORT_COM:
        return "com";
    case PORT_LPT:
        return "lpt";
    case PORT_USB:
        return "usb";
    case PORT_LAN:
        return "lan";
    default:
        return "none";
    }
}

} // namespace printune
