#pragma once
// Settings profile files for the command line: "label get --save",
// "receipt get --save" and the profile commands.
#include <string>

#include "options.h"
#include "settings/settings_profile.h"

namespace printune::cli {

struct Context;

// Writes the profile (through a temporary file renamed over the target, so
// a failed write leaves no torn file); an other-failure when it cannot.
void SaveProfileFile(const std::string& path, const SettingsProfile& profile);

// Reads and checks a profile; an input failure naming the file and the line.
SettingsProfile LoadProfileFile(const std::string& path);

// The printer's settings as read, saved under the run's model.
void SaveLabelProfile(const Context& context, const LabelSettings& settings,
                      const std::string& path);
void SaveReceiptProfile(const Context& context, const ReceiptSettings& settings,
                        const std::string& path);

// The --save option of "label get" and "receipt get".
extern const OptionSpec SAVE_PROFILE_OPTION;

} // namespace printune::cli
