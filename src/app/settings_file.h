#pragma once
// The settings file printune.ini: the on-disk form of one PortSettings record.
//
// The writer always produces the same eighteen lines with CR LF line ends.
// Saving is atomic: the text goes to a temporary file in the same directory,
// is flushed to disk and then renamed over the old file, so a crash or a full
// disk leaves either the old or the new file, never a partial one.
//
// Every function takes the directory that holds the file. The programs pass
// the current directory ("" or "."), as users keep the file in the folder
// they start the tool from. All calls are safe from any thread; two processes
// saving at once leave one complete file (the last rename wins).
#include <string>
#include <vector>

#include "app/profile_reader.h"
#include "port/port_settings.h"

namespace printune {

inline constexpr const char* SETTINGS_FILE_NAME = "printune.ini";

// The text a missing value is replaced with.
inline constexpr const char* SETTINGS_NO_NAME = "<No Name>";

// "<directory>/printune.ini"; an empty directory means the current one.
std::string SettingsFilePath(const std::string& directory);

// The exact bytes SaveSettings writes for a record.
std::string FormatSettingsText(const PortSettings& settings);

// Why a save (or the read of an existing file) failed.
enum class SettingsFailure {
    None,
    LineBreakInValue, // a field holds CR, LF or NUL: the file would get stray lines
    NotWritable,      // the file exists but cannot be written (read-only, a directory ...)
    Unreadable,       // the file exists but cannot be read
    WriteFailed,      // creating, writing, flushing or renaming the new file failed
    ForeignLink,      // the file is a symbolic link another user owns: never written through
};

struct SettingsError {
    SettingsFailure failure = SettingsFailure::None;
    int errorNumber = 0; // errno of the failed call, 0 when none
    std::string path;    // the settings file concerned

    explicit operator bool() const { return failure != SettingsFailure::None; }
};

// A sentence for the user in English (1033) or Simplified Chinese (2052).
std::string SettingsErrorMessage(const SettingsError& error, int languageId);

// Writes the whole file from one record. On failure the previous file is left
// as it was, false is returned and `error` (when given) says why. A file that
// exists but may not be written is not replaced.
bool SaveSettings(const std::string& directory, const PortSettings& settings,
                  SettingsError* error = nullptr);

// The same for a settings file of any name (the command line's --config).
bool SaveSettingsFile(const std::string& path, const PortSettings& settings,
                      SettingsError* error = nullptr);

// The per-key reading rules, applied to a parsed file: missing values,
// "<No Name>", the decimal fields and the model name translation by the
// language read. Values are not validated.
PortSettings SettingsFromProfile(const PrivateProfile& profile);

// The model name translated to the list of the given language text
// ("English" or "Chinese"); any other language or name is returned unchanged.
std::string TranslateModelName(const std::string& model, const std::string& language);

enum class SettingsOrigin {
    File,            // read from the file; saves will work
    ReadOnlyFile,    // read from the file, but it (or its folder) cannot be written:
                     // saves will fail
    NewDefaults,     // no file existed: defaults, and the file was created with them
    UnsavedDefaults, // defaults, not written: no file could be created, or the
                     // existing file could not be read (it is left untouched)
};

struct LoadedSettings {
    PortSettings settings;
    SettingsOrigin origin = SettingsOrigin::File;
    SettingsError error; // set for ReadOnlyFile and UnsavedDefaults
};

// Fills a record from the file in `directory`, or, when there is no file,
// takes the defaults (the first entry of `modelList` — the model list of the
// language the program shows — and the language of `systemLanguageId`) and
// writes them. Never stops early: every key gets its own rule.
LoadedSettings LoadSettings(const std::string& directory, const std::vector<std::string>& modelList,
                            int systemLanguageId);

// Reads the file's whole text. False when it does not exist (errno ENOENT),
// is not a regular file or cannot be read; errorNumber receives errno.
bool ReadSettingsFileText(const std::string& path, std::string& text, int* errorNumber = nullptr);

} // namespace printune
