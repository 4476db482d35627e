#pragma once
// What an operation has to tell the user when it ends, with the icon to show
// it with. The GUI puts it in a message box, the command line prints it.
#include <string>
#include <utility>

namespace printune {

enum class Severity { Information, Warning, Error };

struct Notice {
    Notice() = default;
    Notice(Severity s, std::string t, std::string h = std::string())
        : severity(s), text(std::move(t)), hint(std::move(h)) {}

    Severity severity = Severity::Warning;
    std::string text;
    std::string hint; // a remedy line for a known cause, may be empty
};

} // namespace printune
