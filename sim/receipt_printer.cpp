#include "receipt_printer.h"

#include <cstdio>

#include "settings_layout.h"
#include "state_file.h"

namespace printune_sim {

namespace {

constexpr uint8_t CMD_GET = SIM_CMD_GET;
constexpr uint8_t CMD_SERIAL_CONFIG = SIM_CMD_SERIAL_CONFIG;

int SettingForCommand(uint8_t command) {
    return SimSettingForCommand(RECEIPT_LAYOUT, command);
}

std::string KeyOf(int setting) {
    return RECEIPT_LAYOUT[static_cast<size_t>(setting)].key;
}

} // namespace

ReceiptPrinterState ReceiptPrinterState::Factory(const std::string& model) {
    ReceiptPrinterState s;
    s.model = model;
    // In setting order: English, cutter on (the HT-740 has none), 76mm,
    // bidirectional, single part, no black mark, distances 0.
    s.values = {0, 1, 0, 1, 0, 0, 0, 0};
    if (model == "HT-740")
        s.values[RECEIPT_SIM_CUTTER] = 0;
    s.serialByte = 0x03;
    return s;
}

std::vector<uint8_t> ReceiptPrinterState::SettingsReply() const {
    std::vector<uint8_t> r(RECEIPT_SIM_REPLY_SIZE, 0);
    r[RECEIPT_SIM_SERIAL_OFFSET] = serialByte;
    for (size_t s = 0; s < RECEIPT_SIM_SETTINGS; ++s)
        PutSimValue(r, RECEIPT_LAYOUT[s], values[s]);
    // The model name at 20..25, outside what the tool reads.
    for (size_t i = 0; i < model.size() && i < 6; ++i)
        r[20 + i] = static_cast<uint8_t>(model[i]);
    return r;
}

int ReceiptSettingsHandler::ValueLength(uint8_t command, const uint8_t*, size_t) {
    if (command == CMD_GET || command == CMD_SERIAL_CONFIG)
        return 1;
    int s = SettingForCommand(command);
    return s < 0 ? VALUE_NOT_MINE : RECEIPT_LAYOUT[static_cast<size_t>(s)].size;
}

void ReceiptSettingsHandler::Apply(const std::vector<FrameCommand>& commands, Reply& reply) {
    if (commands.empty())
        Event("settings: empty set request");
    bool changed = false;
    for (const FrameCommand& c : commands) {
        changed = changed || c.command != CMD_GET;
        if (c.command == CMD_GET) {
            Event("settings: get");
            reply.bytes = state_->SettingsReply();
        } else if (c.command == CMD_SERIAL_CONFIG) {
            state_->serialByte = c.value[0];
            char buf[32];
            std::snprintf(buf, sizeof buf, "serial config %02X", c.value[0]);
            Event(buf);
        } else {
            int s = SettingForCommand(c.command);
            state_->values[static_cast<size_t>(s)] = static_cast<uint16_t>(FrameValue(c));
            Event("settings: set " + KeyOf(s) + "=" + std::to_string(FrameValue(c)));
        }
    }
    if (changed)
        state_->Save();
}

CommandHandler::Result ReceiptRestoreHandler::Handle(const uint8_t* data, size_t length,
                                                     size_t& consumed, Reply&) {
    static constexpr uint8_t kRestore[3] = {0x1D, 0x10, 0x01};
    Result match = MatchSequence(data, length, kRestore, sizeof kRestore, consumed);
    if (match != Result::Handled)
        return match;
    const uint16_t language = state_->values[RECEIPT_SIM_LANGUAGE];
    ReceiptPrinterState fresh = ReceiptPrinterState::Factory(state_->model);
    state_->values = fresh.values;
    state_->values[RECEIPT_SIM_LANGUAGE] = language;
    state_->serialByte = fresh.serialByte;
    ++state_->restores;
    state_->Save();
    Event("settings: restore");
    return Result::Handled;
}

void AddReceiptHandlers(SimPrinter& printer, const std::shared_ptr<ReceiptPrinterState>& state) {
    printer.AddHandler(std::make_shared<ReceiptSettingsHandler>(state));
    printer.AddHandler(std::make_shared<ReceiptRestoreHandler>(state));
}

void ReceiptPrinterState::Load() {
    LoadSettingsState(*this, KeyOf);
}

void ReceiptPrinterState::Save() const {
    SaveSettingsState(*this, KeyOf);
}

} // namespace printune_sim
