#pragma once
// The messages of the settings operations, in both languages, shared by the
// settings pages and the command line.
#include <string>

#include "port/exchange.h"

namespace printune {

std::string TimeOutMessage(int languageId);       // "Communication is time out!"
std::string ValueTooLargeMessage(int languageId); // "The value is too large!"
std::string InputIntegerMessage(int languageId);  // "Input integer please."

// What to tell the user about an exchange that did not end in a reply or a
// sent request: the standard port message for open, write and read
// failures, the time-out message for a time-out; empty otherwise (a reply,
// a send, a stop the user asked for).
std::string ExchangeFailureMessage(const ExchangeResult& result, int portType, int languageId);

} // namespace printune
