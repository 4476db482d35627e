#pragma once
// A settings page's values as a profile and back, for the pages' "Save to
// File…" and "Load from File…": which values a page can save, which
// settings a loaded profile changes on the page, and the texts of a profile
// that cannot be used, shared with the command line.
#include <string>
#include <vector>

#include "settings/settings_profile.h"

namespace printune {

// The profile header's model: the English name of a model given in either
// language, so a file reads the same whatever language wrote it. A name that
// is in neither list is kept; an empty one becomes the family's first model.
std::string ProfileModelName(ProfileFamily family, const std::string& model);

struct PageProfile {
    SettingsProfile profile;
    // Settings whose field holds a text a profile cannot take (a lone sign,
    // a number with two points): the page names them and saves nothing.
    std::vector<int> invalid;
};

// The page's values by setting number (lists: the position, -1 for none,
// the label page's Emulation its code; edits: the text) as a profile. A list
// without a selection and an empty field are left out, as is a setting the
// model lacks.
PageProfile ProfileFromPage(ProfileFamily family, const std::vector<LabelValue>& values,
                            const std::string& model, const std::string& toolVersion);

// Whether the profile holds a value that a page sends (Print Width alone
// does not count): a profile without one is not worth a file.
bool ProfileHasSendableValues(const SettingsProfile& profile);

struct PageLoadPlan {
    // The settings whose value in the profile differs from the page's, with
    // the profile's value: the page shows these and marks them changed.
    LabelValues changes;
    // Differing values the page cannot show (an emulation its list does not
    // offer for the language and model): left as they are.
    std::vector<int> unavailable;
};

// What loading 'loaded' onto a page showing 'page' changes. Values compare
// as the printer would receive them ("1.5" equals "1.50"); Print Width and
// settings the page's model lacks never change. emulationCodes: the codes
// the label page's Emulation list offers (unused for receipt profiles).
PageLoadPlan PlanPageLoad(const SettingsProfile& loaded, const SettingsProfile& page,
                          const std::vector<int>& emulationCodes);

// Writes the profile through a temporary file renamed over the target, so a
// failed write leaves no torn file. False with the errno in err when it
// cannot.
bool WriteProfileFile(const std::string& path, const SettingsProfile& profile, int& err);

struct ProfileFileRead {
    int readError = 0; // errno: the file could not be read (parse is empty)
    ProfileParseResult parse;
};
// Reads a profile file the user names (a regular file only) and parses it.
ProfileFileRead ReadProfileFile(const std::string& path);

// "line 4: unknown setting 'print-sped'" without the line, in English
// (1033) or Chinese (2052).
std::string ProfileErrorText(const ProfileParseResult& result, int languageId);

// "This profile is for receipt printers; the page is for label printers."
std::string ProfileFamilyMismatchText(ProfileFamily file, ProfileFamily page, int languageId);

} // namespace printune
