#pragma once
// A port failure as a message box shows it.
#include <QString>

namespace printune {

// The standard message of a port error code for the port type in use, in the
// given language, with a second line naming the remedy when the port knows
// the cause (permission, device busy).
QString PortFailureText(int code, int portType, int sysErrno, int languageId);

} // namespace printune
