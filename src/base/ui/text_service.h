#pragma once
// Texts in a named language. Widgets built on the main thread use tr(), which
// follows the language applied at start-up. Pages and workers speak the
// language of their own settings copy: they ask TextIn() with that language,
// and every message box text goes through it.
#include <string>

#include <QString>

namespace printune {

// Installs the Simplified Chinese translation for the application (2052),
// removes it (1033), or follows the system's UI language (any other value).
// Returns the identifier now in effect (1033 or 2052).
int ApplyUiLanguage(int languageId);

// The identifier applied by the last ApplyUiLanguage (1033 before any).
int UiLanguageId();

// The text `source` of `context` in the language `languageId`: the Chinese
// translation for 2052 (the source text where none exists), else the source.
QString TextIn(int languageId, const char* context, const char* source);

inline QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

} // namespace printune
