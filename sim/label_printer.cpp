#include "label_printer.h"

#include <cstdio>

#include "settings/label_commands.h"
#include "state_file.h"

using printune::LABEL_SETTING_COUNT;
using printune::LabelWire;

namespace printune_sim {

namespace {

int SettingForCommand(uint8_t command) {
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s)
        if (LabelWire(s).command == command)
            return s;
    return -1;
}

constexpr uint8_t CMD_GET = 0x33;
constexpr uint8_t CMD_FACTORY_RESET = 0x60;
constexpr uint8_t CMD_CALIBRATE = 0x3D;
constexpr uint8_t CMD_SERIAL_CONFIG = 0x23;
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
    using namespace printune;
    LabelPrinterState s;
    s.model = model;
    auto& v = s.values;
    v[LS_PAGE_MODE] = 0;
    v[LS_PRINT_MEDIA] = 0; // label paper
    v[LS_PEELER] = 0;
    v[LS_PRINT_METHOD] = 1; // direct thermal
    v[LS_PAPER_OUT_DETECTION] = 1;
    v[LS_PRINT_DENSITY] = 2;    // level 3
    v[LS_PRINTER_LANGUAGE] = 0; // English
    v[LS_EMULATION] = 3;        // TSPL
    v[LS_AUTO_CALIBRATE] = 1;
    v[LS_PRINT_SPEED] = 2;
    v[LS_TOP_FORM_SENSING] = 0;
    v[LS_HOME_OFFSET] = 0;
    v[LS_CUT_OFFSET] = 0;
    v[LS_CUT_MODE] = 0;
    v[LS_POSITION_DETECTION] = 0;
    v[LS_BLACK_MARK_AD] = 1200;
    v[LS_PAPER_SENSOR] = 1; // gap sensor
    v[LS_LEFT_OFFSET] = 0;
    s.serialByte = 0x03;
    if (model == "KP-740") {
        v[LS_PRINT_WIDTH] = 106;
        s.serialNumber = "KP740A2600417";
        s.firmwareVersion = "KP740 V3.02 2026-04-20";
        s.mileageMetres = 8766;
    } else if (model == "KP-500") {
        v[LS_PRINT_WIDTH] = 72;
        s.serialNumber = "KP500A2600088";
        s.firmwareVersion = "KP500 V1.15 2026-02-11";
        s.mileageMetres = 412;
    } else {
        v[LS_PRINT_WIDTH] = 104;
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
    r[printune::LABEL_SERIAL_OFFSET] = serialByte;
    for (int s = 0; s < LABEL_SETTING_COUNT; ++s) {
        const auto& w = LabelWire(s);
        r[static_cast<size_t>(w.replyOffset)] =
            static_cast<uint8_t>(values[static_cast<size_t>(s)]);
        if (w.valueSize == 2)
            r[static_cast<size_t>(w.replyOffset) + 1] =
                static_cast<uint8_t>(values[static_cast<size_t>(s)] >> 8);
    }
    return r;
}

std::string LabelSettingEventName(int setting) {
    return printune::LabelSettingKey(setting);
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
        return s < 0 ? VALUE_NOT_MINE : LabelWire(s).valueSize;
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
    LoadSettingsState(*this, printune::LabelSettingKey);
}

void LabelPrinterState::Save() const {
    SaveSettingsState(*this, printune::LabelSettingKey);
}

} // namespace printune_sim
