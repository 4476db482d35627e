#pragma once
// The simulated receipt printers (HT-740, HT-750): the 100-byte settings
// reply, the set commands, the serial configuration command and restore.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings_frame.h"
#include "settings_layout.h"

namespace printune_sim {

struct ReceiptPrinterState {
    std::string model = "HT-740";
    // Raw wire values by setting number.
    std::array<uint16_t, RECEIPT_SIM_SETTINGS> values{};
    // Receipt layout: 9600 baud, DTR, no parity, 1 stop bit, 8 data bits.
    uint8_t serialByte = 0x03;
    int restores = 0;

    // Where the settings are kept between runs (empty: not kept).
    std::string stateFile;

    static ReceiptPrinterState Factory(const std::string& model);
    void Load();
    void Save() const;
    std::vector<uint8_t> SettingsReply() const; // 100 bytes
};

// Get/set settings and the serial configuration inside the frame.
class ReceiptSettingsHandler : public StateHandler<ReceiptPrinterState> {
public:
    using StateHandler::StateHandler;

protected:
    int ValueLength(uint8_t command, const uint8_t* rest, size_t restLength) override;
    void Apply(const std::vector<FrameCommand>& commands, Reply& reply) override;
};

// 1D 10 01: factory settings, keeping the printer language (the tool sets
// the language in the frame just before).
class ReceiptRestoreHandler : public StateHandler<ReceiptPrinterState, RecordingHandler> {
public:
    using StateHandler::StateHandler;
    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
};

void AddReceiptHandlers(SimPrinter& printer, const std::shared_ptr<ReceiptPrinterState>& state);

} // namespace printune_sim
