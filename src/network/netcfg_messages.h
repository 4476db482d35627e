#pragma once
// Texts the network search dialogs (and the command line) show for the
// engines' refusals, in both languages.
#include <string>

namespace printune {

enum class NetMessage {
    SearchBusy,     // a search asked for while a request runs
    PrinterBusy,    // a click or setup while a search or query runs
    SelectPrinter,  // OK or setup without a chosen printer
    NoPrinterFound, // a search that found nothing (command line)
    QueryTimedOut,  // a query the printer did not answer (command line)
};

// The text for LANG_ENGLISH or LANG_CHINESE (any other id: English).
std::string NetMessageText(NetMessage message, int languageId);

} // namespace printune
