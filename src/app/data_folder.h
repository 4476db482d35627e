#pragma once
// The user's own data folder, where a menu launch runs Printune: the
// settings file and the help documents live in the current directory, so a
// launch from the menu must not run in the home folder's root.
#include <string>

namespace printune {

// $XDG_DATA_HOME/printune, else $HOME/.local/share/printune; empty when
// neither variable names an absolute folder.
std::string UserDataFolder();

// The help documents installed with the program: <bin>/../share/printune/help
// for the executable at exePath.
std::string InstalledHelpFolder(const std::string& exePath);

// Creates the folder (and its parents, private to the user) and links into
// it every help document of helpFolder it lacks; a link left dangling by a
// moved installation is renewed, a file of the user's own is kept. Returns
// false with errno set when the folder cannot be made.
bool PrepareDataFolder(const std::string& folder, const std::string& helpFolder);

} // namespace printune
