#pragma once
// The language the program starts in, decided before any window exists.
#include <optional>
#include <string>
#include <string_view>

#include "base/language.h" // SystemDefaultLanguageId

namespace printune {

// The "Language" of the settings file in `directory` decides: "English" gives
// 1033, "Chinese" 2052 (exact, case-sensitive). When there is no file, no
// value, or a value of exactly 126 characters, the system's default decides
// instead (2052 when systemLanguageId is 2052, else 1033). Any other text
// gives no identifier: the program then keeps the system's own language,
// which callers get with SelectStartupLanguage(...).value_or(system).
std::optional<int> SelectStartupLanguage(const std::string& directory, int systemLanguageId);

// The language to show: SelectStartupLanguage with the system's default, and
// the system's own language when the file names neither.
int StartupLanguageId(const std::string& directory);

} // namespace printune
