#pragma once
// The simulated printers' own settings layout: the command byte that sets
// each setting, the number of value bytes behind it, and where the settings
// reply carries it. Written out here byte by byte, apart from the tool's
// tables, so that an end-to-end test catches a wrong byte in either.
#include <cstddef>
#include <cstdint>

namespace printune_sim {

struct SimSetting {
    const char* key; // event lines and state files ("page-mode")
    uint8_t command; // the byte after 1B in a set command
    int size;        // value bytes, low byte first
    int offset;      // first byte in the settings reply
};

// Label printers (KP models), by setting number.
inline constexpr SimSetting LABEL_LAYOUT[] = {
    {"page-mode", 0x27, 1, 28},           // 0
    {"print-media", 0x25, 1, 26},         // 1
    {"peeler", 0x2A, 1, 37},              // 2
    {"print-method", 0x26, 1, 27},        // 3
    {"paper-out-detection", 0x2B, 1, 17}, // 4
    {"print-density", 0x29, 1, 36},       // 5
    {"printer-language", 0x16, 1, 9},     // 6
    {"emulation", 0x24, 1, 15},           // 7
    {"auto-calibrate", 0x2F, 1, 19},      // 8
    {"print-speed", 0x30, 1, 35},         // 9
    {"top-form-sensing", 0x22, 1, 13},    // 10
    {"home-offset", 0x2C, 2, 38},         // 11
    {"cut-offset", 0x2D, 2, 40},          // 12
    {"cut-mode", 0x34, 1, 8},             // 13
    {"position-detection", 0x32, 1, 11},  // 14
    {"black-mark-ad", 0x28, 2, 33},       // 15
    {"paper-sensor", 0x38, 1, 12},        // 16
    {"left-offset", 0x1F, 1, 48},         // 17
    {"print-width", 0x20, 1, 47},         // 18
};
inline constexpr size_t LABEL_SIM_SETTINGS = sizeof LABEL_LAYOUT / sizeof LABEL_LAYOUT[0];
inline constexpr size_t LABEL_SIM_SERIAL_OFFSET = 7;
inline constexpr size_t LABEL_SIM_REPLY_SIZE = 64;
inline constexpr size_t LABEL_SIM_PRINT_WIDTH = 18;

// Receipt printers (HT models), by setting number.
inline constexpr SimSetting RECEIPT_LAYOUT[] = {
    {"printer-language", 0x16, 1, 0},    // 0
    {"cutter-switch", 0x34, 1, 3},       // 1
    {"paper-wide", 0x38, 1, 13},         // 2
    {"printing-direction", 0x3A, 1, 11}, // 3
    {"paper-type", 0x25, 1, 12},         // 4
    {"black-mark", 0x22, 1, 4},          // 5
    {"mark-to-home", 0x2C, 2, 5},        // 6
    {"mark-to-cutter", 0x2D, 2, 7},      // 7
};
inline constexpr size_t RECEIPT_SIM_SETTINGS = sizeof RECEIPT_LAYOUT / sizeof RECEIPT_LAYOUT[0];
inline constexpr size_t RECEIPT_SIM_SERIAL_OFFSET = 2;
inline constexpr size_t RECEIPT_SIM_REPLY_SIZE = 100;
inline constexpr size_t RECEIPT_SIM_LANGUAGE = 0;
inline constexpr size_t RECEIPT_SIM_CUTTER = 1;

// Both printers' set commands besides the settings.
inline constexpr uint8_t SIM_CMD_GET = 0x33;
inline constexpr uint8_t SIM_CMD_SERIAL_CONFIG = 0x23;

// The setting a command byte sets, or -1.
template <size_t N>
int SimSettingForCommand(const SimSetting (&layout)[N], uint8_t command) {
    for (size_t s = 0; s < N; ++s)
        if (layout[s].command == command)
            return static_cast<int>(s);
    return -1;
}

// Puts a raw value into a reply at the setting's offset.
template <class Reply>
void PutSimValue(Reply& reply, const SimSetting& setting, uint16_t value) {
    reply[static_cast<size_t>(setting.offset)] = static_cast<uint8_t>(value);
    if (setting.size == 2)
        reply[static_cast<size_t>(setting.offset) + 1] = static_cast<uint8_t>(value >> 8);
}

} // namespace printune_sim
