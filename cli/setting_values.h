#pragma once
// NAME=VALUE arguments of the settings commands: list entries by their text
// (English or Chinese), numbers as the page's edit fields take them.
#include <string>
#include <utility>
#include <vector>

namespace printune::cli {

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
