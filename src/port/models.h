#pragma once
// The printer model list: positions, names in both languages, and what each
// position selects (family, USB filter). Positions are 1-based as the user
// sees them; 0 means "no selection".
#include <string>
#include <vector>

#include "port/usb_filter.h"

namespace printune {

inline constexpr int MODEL_COUNT = 5;

// Model name at a 1-based position in the given language's resources.
// Position 5 ("KP-500") exists only in the English list; in Chinese it
// returns the same text because the label-printer name table names it.
std::string ModelName(int position, int languageId);

// The model list as the interface page fills it: four entries, plus the
// fifth when the language is English.
std::vector<std::string> ModelList(int languageId);

// Position of a model name in the language's list, 0 when not present.
int ModelPosition(const std::string& name, int languageId);

// Positions 3 and 4 are the receipt printers; every other position
// (including 0) is treated as a label printer.
bool IsReceiptPosition(int position);

// Whether a name is one of the three label-printer resource texts of the
// language (positions 1, 2 and 5).
bool IsLabelPrinterName(const std::string& name, int languageId);

// The USB filter a model pick at this position selects; false when the
// position selects none (0).
bool UsbFilterForPosition(int position, UsbFilter& filter);

} // namespace printune
