#pragma once
// The simulated label printers (KP-520, KP-740, KP-500): nineteen settings
// and the serial-line byte kept as state, the settings reply, set commands,
// factory reset, calibrate, self-test, the text replies and the serial
// configuration command. The state is shared by the handlers of one printer
// and visible to tests.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "settings_frame.h"
#include "settings_layout.h"

namespace printune_sim {

struct LabelPrinterState {
    std::string model = "KP-520";
    // Raw wire values by setting number (one or two bytes each).
    std::array<uint16_t, LABEL_SIM_SETTINGS> values{};
    uint8_t serialByte = 0x03; // 9600 baud, no parity, 1 stop bit, 8 data bits
    std::string serialNumber;
    std::string firmwareVersion;
    unsigned mileageMetres = 0;
    int calibrations = 0;
    int selfTests = 0;
    int factoryResets = 0;

    // The factory settings of a model (unknown models get the KP-520's).
    // Where the settings are kept between runs (empty: not kept).
    std::string stateFile;

    static LabelPrinterState Factory(const std::string& model);
    void Load();
    void Save() const;
    // The settings reply: LABEL_SIM_REPLY_SIZE bytes.
    std::vector<uint8_t> SettingsReply() const;
};

// Get/set settings, factory reset, calibrate, serial configuration.
// A printer fault: set requests leave the setting with this key as it is.
void SetIgnoredLabelSetting(const std::string& key);

class LabelSettingsHandler : public StateHandler<LabelPrinterState> {
public:
    using StateHandler::StateHandler;

protected:
    int ValueLength(uint8_t command, const uint8_t* rest, size_t restLength) override;
    void Apply(const std::vector<FrameCommand>& commands, Reply& reply) override;
};

// Serial number, firmware version and mileage, each as text and a zero byte.
class LabelInfoHandler : public StateHandler<LabelPrinterState> {
public:
    using StateHandler::StateHandler;

protected:
    int ValueLength(uint8_t command, const uint8_t* rest, size_t restLength) override;
    void Apply(const std::vector<FrameCommand>& commands, Reply& reply) override;
};

// The unframed self-test request 1B 0D 4C.
class LabelSelfTestHandler : public StateHandler<LabelPrinterState, RecordingHandler> {
public:
    using StateHandler::StateHandler;
    Result Handle(const uint8_t* data, size_t length, size_t& consumed, Reply& reply) override;
};

// Adds the label printer's own handlers to a printer.
void AddLabelHandlers(SimPrinter& printer, const std::shared_ptr<LabelPrinterState>& state);

// Readable name of a setting for the event lines ("page-mode").
std::string LabelSettingEventName(int setting);

} // namespace printune_sim
