#pragma once
// Settings profiles: a printer's settings as a readable text file, one
// "name = value" line per setting under a header naming the family, the
// model and the tool version. Names and values are the command line's
// English ones, so a file reads the same whatever the user's language.
#include <string>
#include <vector>

#include "settings/label_operations.h"
#include "settings/receipt_commands.h"

namespace printune {

enum class ProfileFamily { Label, Receipt };

struct SettingsProfile {
    ProfileFamily family = ProfileFamily::Label;
    std::string model;
    std::string toolVersion;
    // Ascending setting numbers, each once. Lists hold their position
    // (Emulation its code), edits and distances their text.
    LabelValues values;
};

// "label" / "receipt"; false from the lookup when neither.
std::string ProfileFamilyName(ProfileFamily family);
bool ProfileFamilyFromName(const std::string& name, ProfileFamily& family);

int ProfileSettingCount(ProfileFamily family);
std::string ProfileSettingKey(ProfileFamily family, int setting);
int ProfileSettingFromKey(ProfileFamily family, const std::string& key);

// Print Width is shown nowhere and never sent: a profile records it, but
// comparisons and applies leave it out.
bool IsProfileReadOnly(ProfileFamily family, int setting);
// Whether the model (its name in either language) has the setting: only
// the fourth model has the receipt printers' Cutter Switch.
bool ProfileModelHasSetting(ProfileFamily family, const std::string& model, int setting);

// A value as the file writes it; empty for a list without a selection.
std::string ProfileValueText(ProfileFamily family, int setting, const LabelValue& value);

enum class ProfileValueError {
    None,
    NotAChoice, // not one of the list's English or Chinese entries
    NotANumber,
    OutOfRange,
};
struct ProfileValueParse {
    ProfileValueError error = ProfileValueError::None;
    LabelValue value;
};
// Checks a value as the settings pages and "label set"/"receipt set" do.
ProfileValueParse ParseProfileValue(ProfileFamily family, int setting, const std::string& text);

// Whether the whole text is a decimal number (an integer when !fraction), as
// the edit fields take it: strtod's "inf", "nan" and hexadecimal forms are not.
bool IsDecimalText(const std::string& text, bool fraction);

// The English entries a list setting takes (Emulation: its four names).
std::vector<std::string> ProfileChoices(ProfileFamily family, int setting);

// The header's first word, then "family=...; model=...; version=...".
inline constexpr const char* PROFILE_MAGIC = "printune-profile";

std::string WriteSettingsProfile(const SettingsProfile& profile);

enum class ProfileError {
    None,
    NoHeader,      // the first line that is not blank or a comment is not the header
    BadHeader,     // a family that is not label or receipt, or a field missing
    NotAssignment, // no '=' or an empty name
    UnknownName,   // not a setting of the family (or of the model)
    Duplicate,     // a setting named twice
    BadValue,      // see valueError
};
struct ProfileParseResult {
    ProfileError error = ProfileError::None;
    int line = 0;      // 1-based line of the error
    std::string name;  // the setting named on that line
    std::string value; // its value text
    ProfileValueError valueError = ProfileValueError::None;
    SettingsProfile profile;
    bool ok() const { return error == ProfileError::None; }
};
ProfileParseResult ParseSettingsProfile(const std::string& text);

// A printer's settings as a profile: every setting with a value (a list
// without a valid selection is left out; Cutter Switch only for its model).
SettingsProfile LabelProfile(const LabelSettings& settings, const std::string& model,
                             const std::string& toolVersion);
SettingsProfile ReceiptProfile(const ReceiptSettings& settings, const std::string& model,
                               const std::string& toolVersion);

} // namespace printune
