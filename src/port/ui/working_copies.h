#pragma once
// The process-wide working copies the two port dialogs edit. The settings
// loader, the interface page and the main window fill them; only the GUI
// thread touches them.
#include "port/port_settings.h"

namespace printune {

PortSettings& SerialWorkingCopy();
PortSettings& ParallelWorkingCopy();

} // namespace printune
