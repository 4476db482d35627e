#include "sim_factory.h"

#include "escpos_handler.h"
#include "firmware_handler.h"
#include "label_printer.h"
#include "receipt_printer.h"
#include "receipt_status_handler.h"
#include "sim_printer.h"
#include "state_file.h"
#include "wireless_handler.h"

namespace printune_sim {

namespace {

bool IsReceiptModel(const std::string& model) {
    return model == "HT-740" || model == "HT-750" || model == "HT-760";
}

} // namespace

// Every model is a SimPrinter composed of one handler per command family;
// the order matters only where two families could claim the same bytes.
std::unique_ptr<SimDevice> MakeSimPrinter(const std::string& model) {
    auto printer = std::make_unique<SimPrinter>();
    if (IsReceiptModel(model)) {
        auto state = std::make_shared<ReceiptPrinterState>(ReceiptPrinterState::Factory(model));
        state->stateFile = StateFilePath(model);
        state->Load();
        // An image takes every byte until its connection ends: first.
        printer->AddHandler(std::make_shared<FirmwareHandler>(FirmwareHandler::Family::Receipt));
        printer->AddHandler(std::make_shared<WirelessHandler>(model));
        AddReceiptHandlers(*printer, state);
        printer->AddHandler(std::make_shared<ReceiptStatusHandler>());
        // Text and ESC/POS take what no other family claims: last.
        printer->AddHandler(std::make_shared<EscPosHandler>());
    } else {
        auto state = std::make_shared<LabelPrinterState>(LabelPrinterState::Factory(model));
        state->stateFile = StateFilePath(model);
        state->Load();
        printer->AddHandler(
            std::make_shared<FirmwareHandler>(FirmwareHandler::Family::Label, [state] {
                if (!CurrentAfterImage().labelVersion.empty())
                    state->firmwareVersion = CurrentAfterImage().labelVersion;
                // New firmware starts from its factory settings; the serial
                // line stays, so the printer still answers where it did.
                state->values = LabelPrinterState::Factory(state->model).values;
                state->Save();
            }));
        printer->AddHandler(std::make_shared<WirelessHandler>(model));
        AddLabelHandlers(*printer, state);
    }
    return printer;
}

} // namespace printune_sim
