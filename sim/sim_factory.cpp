#include "sim_factory.h"

#include "label_printer.h"
#include "receipt_printer.h"
#include "sim_printer.h"

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
        AddReceiptHandlers(*printer, state);
        // Further receipt-printer families (firmware images, ESC/POS print
        // tests) are added here.
    } else {
        auto state = std::make_shared<LabelPrinterState>(LabelPrinterState::Factory(model));
        AddLabelHandlers(*printer, state);
        // Further label-printer families (download mode and firmware, Wi-Fi,
        // Bluetooth, network parameters) are added here.
    }
    return printer;
}

} // namespace printune_sim
