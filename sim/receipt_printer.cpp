#include "receipt_printer.h"

#include <cstdio>

#include "settings/receipt_commands.h"
#include "state_file.h"

using printune::RECEIPT_SETTING_COUNT;
using printune::ReceiptWire;

namespace printune_sim {

namespace {

constexpr uint8_t CMD_GET = 0x33;
constexpr uint8_t CMD_SERIAL_CONFIG = 0x23;

int SettingForCommand(uint8_t command) {
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s)
        if (ReceiptWire(s).command == command)
            return s;
    return -1;
}

} // namespace

ReceiptPrinterState ReceiptPrinterState::Factory(const std::string& model) {
    using namespace printune;
    ReceiptPrinterState s;
    s.model = model;
    s.values[RS_PRINTER_LANGUAGE] = 0;
    s.values[RS_CUTTER_SWITCH] = model == "HT-740" ? 0 : 1; // the HT-740 has no cutter
    s.values[RS_PAPER_WIDE] = 0;                            // 76mm
    s.values[RS_PRINTING_DIRECTION] = 1;                    // bidirectional
    s.values[RS_PAPER_TYPE] = 0;
    s.values[RS_BLACK_MARK] = 0;
    s.values[RS_MARK_TO_HOME] = 0;
    s.values[RS_MARK_TO_CUTTER] = 0;
    s.serialByte = 0x03;
    return s;
}

std::vector<uint8_t> ReceiptPrinterState::SettingsReply() const {
    std::vector<uint8_t> r(printune::RECEIPT_REPLY_SIZE, 0);
    r[printune::RECEIPT_SERIAL_OFFSET] = serialByte;
    for (int s = 0; s < RECEIPT_SETTING_COUNT; ++s) {
        const auto& w = ReceiptWire(s);
        uint16_t v = values[static_cast<size_t>(s)];
        r[static_cast<size_t>(w.replyOffset)] = static_cast<uint8_t>(v);
        if (w.valueSize == 2)
            r[static_cast<size_t>(w.replyOffset) + 1] = static_cast<uint8_t>(v >> 8);
    }
    // The model name at 20..25, outside what the tool reads.
    for (size_t i = 0; i < model.size() && i < 6; ++i)
        r[20 + i] = static_cast<uint8_t>(model[i]);
    return r;
}

int ReceiptSettingsHandler::ValueLength(uint8_t command, const uint8_t*, size_t) {
    if (command == CMD_GET || command == CMD_SERIAL_CONFIG)
        return 1;
    int s = SettingForCommand(command);
    return s < 0 ? VALUE_NOT_MINE : ReceiptWire(s).valueSize;
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
            Event("settings: set " + printune::ReceiptSettingKey(s) + "=" +
                  std::to_string(FrameValue(c)));
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
    uint16_t language = state_->values[printune::RS_PRINTER_LANGUAGE];
    ReceiptPrinterState fresh = ReceiptPrinterState::Factory(state_->model);
    state_->values = fresh.values;
    state_->values[printune::RS_PRINTER_LANGUAGE] = language;
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
    LoadSettingsState(*this, printune::ReceiptSettingKey);
}

void ReceiptPrinterState::Save() const {
    SaveSettingsState(*this, printune::ReceiptSettingKey);
}

} // namespace printune_sim
