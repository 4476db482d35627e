#pragma once
// Texts of the command line itself, in the run's language. The printer's
// and the engines' messages come from the engines; these are only what the
// command line adds (usage, help, confirmations).
#include <cstddef>
#include <string>

namespace printune::cli {

// The language of this run's messages (LANG_ENGLISH or LANG_CHINESE); set
// once after the options and the settings file are read.
void SetMessageLanguage(int languageId);
int MessageLanguage();
bool Chinese();

// Picks the text of the run's language.
inline const char* L(const char* english, const char* chinese) {
    return Chinese() ? chinese : english;
}

// The text padded with blanks to a display width in terminal columns
// (CJK characters take two), for aligned label columns in both languages.
std::string Column(const std::string& text, size_t width);

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace printune::cli
