#pragma once
// NAME=VALUE arguments of the settings commands: list entries by their text
// (English or Chinese), numbers as the page's edit fields take them.
#include <string>
#include <utility>
#include <vector>

#include "options.h"

namespace printune::cli {

// "label set" and "receipt set" take NAME=VALUE arguments, or --none for a
// request with no setting to write: the bare frame 1B 0D 53 1B 10 45, which
// is still sent (as "Send Settings" does with nothing changed).
extern const OptionSpec NONE_OPTION;
inline constexpr const char* SET_SYNOPSIS = "NAME=VALUE...|--none";
// A usage failure unless exactly one of the two forms is given.
void CheckSetArguments(const std::string& words, const ParsedArgs& args);

// Splits "name=value"; a usage failure when there is no '='.
std::pair<std::string, std::string> SplitAssignment(const std::string& argument);

// Position of text among the entries of either language (case-insensitive),
// -1 when none matches.
int ChoicePosition(const std::string& text, const std::vector<std::string>& english,
                   const std::vector<std::string>& chinese);

// Whether the whole text is a decimal number (integer when !fraction).
bool IsNumberText(const std::string& text, bool fraction);

// "a | b | c"
std::string JoinChoices(const std::vector<std::string>& entries);

// The page's range message, "The value is too large!".
std::string ValueTooLargeMessage();
// The receipt page's "Input integer please.".
std::string InputIntegerMessage();

// Input failure: "<key>: '<value>' is not one of: a | b".
[[noreturn]] void ThrowNotAChoice(const std::string& key, const std::string& value,
                                  const std::vector<std::string>& entries);

} // namespace printune::cli
