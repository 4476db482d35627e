#pragma once
// The settings pages' "Save to File…" and "Load from File…": the file
// dialog, the file's checks and the messages around them, the same on both
// pages. What is saved and what a load changes is the engine's
// (settings/profile_page.h); the pages set their controls.
#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "settings/profile_page.h"

class QWidget;

namespace printune {

// The pages' names of settings, one a line, for the messages.
using SettingNamer = std::function<QString(const std::vector<int>& settings)>;

// Refuses (with a message) a page that holds an invalid field or nothing to
// send; else asks for a file name and writes the profile.
void SaveProfileFromPage(QWidget* owner, int languageId, const PageProfile& page,
                         const SettingNamer& names);

// Asks for a file and reads it: nothing when cancelled, or when the file
// cannot be read, has a bad line or is of the other family (each with its
// message, in the page's language).
std::optional<SettingsProfile> LoadProfileForPage(QWidget* owner, int languageId,
                                                  ProfileFamily family);

// After a load: the values the page could not show, or that nothing
// differed.
void ReportPageLoad(QWidget* owner, int languageId, const PageLoadPlan& plan,
                    const SettingNamer& names);

} // namespace printune
