#include "label_printer.h"

#include <cstdio>

#include "settings_layout.h"
#include "state_file.h"

namespace printune_sim {

namespace {

int SettingForCommand(uint8_t command) {
    return SimSettingForCommand(LABEL_LAYOUT, command);
}

std::string KeyOf(int setting) {
    return LABEL_LAYOUT[static_cast<size_t>(setting)].key;
}

constexpr uint8_t CMD_GET = SIM_CMD_GET;
constexpr uint8_t CMD_FACTORY_RESET = 0x60;
constexpr uint8_t CMD_CALIBRATE = 0x3D;
constexpr uint8_t CMD_SERIAL_CONFIG = SIM_CMD_SERIAL_CONFIG;
constexpr uint8_t CMD_SERIAL_NUMBER = 0x19;
constexpr uint8_t CMD_FIRMWARE = 0x1A;
constexpr uint8_t CMD_MILEAGE = 0x18;

std::string Hex2(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFF);
    return buf;
}

} // namespace

LabelPrinterState LabelPrinterState::Factory(const std::string& model) {
    LabelPrinterState s;
    s.model = model;
    // In setting order: page mode off, label paper, no peeler, direct
    // thermal, paper-out detection on, density level 3, English, TSPL, auto
    // calibrate on, speed 2, no top form sensing, offsets 0, no cut, no
    // position detection, black mark AD 1200, gap sensor, left offset 0; the
    // print width follows the model.
    s.values = {0, 0, 0, 1, 1, 2, 0, 3, 1, 2, 0, 0, 0, 0, 0, 1200, 1, 0, 104};
    s.serialByte = 0x03;
    if (model == "KP-740") {
        s.values[LABEL_SIM_PRINT_WIDTH] = 106;
        s.serialNumber = "KP740A2600417";
        s.firmwareVersion = "KP740 V3.02 2026-04-20";
        s.mileageMetres = 8766;
    } else if (model == "KP-500") {
        s.values[LABEL_SIM_PRINT_WIDTH] = 72;
        s.serialNumber = "KP500A2600088";
        s.firmwareVersion = "KP500 V1.15 2026-02-11";
        s.mileageMetres = 412;
    } else {
        s.serialNumber = "KP520A2601234";
        s.firmwareVersion = "KP520 V2.16 2026-05-12";
        s.mileageMetres = 1532;
    }
    return s;
}

std::vector<uint8_t> LabelPrinterState::SettingsReply() const {
    std::vector<uint8_t> r(LABEL_SIM_REPLY_SIZE, 0);
    // Bytes 0-5 carry the model name; the tool does not read them.
    for (size_t i = 0; i < model.size() && i < 6; ++i)
        r[i] = static_cast<uint8_t>(model[i]);
    r[LABEL_SIM_SERIAL_OFFSET] = serialByte;
    for (size_t s = 0; s < LABEL_SIM_SETTINGS; ++s)
        PutSimValue(r, LABEL_LAYOUT[s], values[s]);
    return r;
}

namespace {

std::string& IgnoredSetting() {
    static std::string key;
    return key;
}

} // namespace

void SetIgnoredLabelSetting(const std::string& key) {
    IgnoredSetting() = key;
}

std::string LabelSettingEventName(int setting) {
    return setting >= 0 && static_cast<size_t>(setting) < LABEL_SIM_SETTINGS ? KeyOf(setting) : "";
}

int LabelSettingsHandler::ValueLength(uint8_t command, const uint8_t*, size_t) {
    switch (command) {
    case CMD_GET:
    case CMD_FACTORY_RESET:
    case CMD_CALIBRATE:
    case CMD_SERIAL_CONFIG:
        return 1;
    default: {
        int s = SettingForCommand(command);
        return s < 0 ? VALUE_NOT_MINE : LABEL_LAYOUT[static_cast<size_t>(s)].size;
    }
    }
}

void LabelSettingsHandler::Apply(const std::vector<FrameCommand>& commands, Reply& reply) {
    if (commands.empty())
        Event("settings: empty set request");
    bool changed = false;
    for (const FrameCommand& c : commands) {
        changed = changed || (c.command != CMD_GET && c.command != CMD_CALIBRATE);
        switch (c.command) {
        case CMD_GET:
            Event("settings: get");
            reply.bytes = state_->SettingsReply();
            break;
        case CMD_FACTORY_RESET: {
            LabelPrinterState fresh = LabelPrinterState::Factory(state_->model);
            state_->values = fresh.values;
            state_->serialByte = fresh.serialByte;
            ++state_->factoryResets;
            Event("settings: factory reset");
            break;
        }
        case CMD_CALIBRATE:
            ++state_->calibrations;
            Event("calibrate label");
            break;
        case CMD_SERIAL_CONFIG:
            state_->serialByte = c.value[0];
            Event("serial config " + Hex2(c.value[0]));
            break;
        default: {
            int s = SettingForCommand(c.command);
            if (IgnoredSetting() == KeyOf(s)) {
                Event("settings: ignored " + KeyOf(s));
                break;
            }
            state_->values[static_cast<size_t>(s)] = static_cast<uint16_t>(FrameValue(c));
            Event("settings: set " + LabelSettingEventName(s) + "=" +
                  std::to_string(FrameValue(c)));
            break;
        }
        }
    }
    if (changed)
        state_->Save();
}

int LabelInfoHandler::ValueLength(uint8_t command, const uint8_t*, size_t) {
    return command == CMD_SERIAL_NUMBER || command == CMD_FIRMWARE || command == CMD_MILEAGE
               ? 1
               : VALUE_NOT_MINE;
}

void LabelInfoHandler::Apply(const std::vector<FrameCommand>& commands, Reply& reply) {
    for (const FrameCommand& c : commands) {
        std::string text;
        if (c.command == CMD_SERIAL_NUMBER) {
            text = state_->serialNumber;
            Event("info: serial number");
        } else if (c.command == CMD_FIRMWARE) {
            text = state_->firmwareVersion;
            Event("info: firmware version");
        } else {
            text = std::to_string(state_->mileageMetres) + " m";
            Event("info: mileage");
        }
        reply.bytes.assign(text.begin(), text.end());
        reply.bytes.push_back(0);
    }
}

CommandHandler::Result LabelSelfTestHandler::Handle(const uint8_t* data, size_t length,
                                                    size_t& consumed, Reply&) {
    static constexpr uint8_t kSelfTest[3] = {0x1B, 0x0D, 0x4C};
    Result match = MatchSequence(data, length, kSelfTest, sizeof kSelfTest, consumed);
    if (match != Result::Handled)
        return match;
    ++state_->selfTests;
    Event("self-test page printed");
    return Result::Handled;
}

void AddLabelHandlers(SimPrinter& printer, const std::shared_ptr<LabelPrinterState>& state) {
    printer.AddHandler(std::make_shared<LabelSettingsHandler>(state));
    printer.AddHandler(std::make_shared<LabelInfoHandler>(state));
    printer.AddHandler(std::make_shared<LabelSelfTestHandler>(state));
}

void LabelPrinterState::Load() {
    LoadSettingsState(*this, KeyOf);
}

void LabelPrinterState::Save() const {
    SaveSettingsState(*this, KeyOf);
}

} // namespace printune_sim
