#pragma once
// Saving the settings file from the GUI: the file lives in the current
// directory; a save that fails is reported instead of passing silently.
#include "port/port_settings.h"

class QWidget;

namespace printune {

// SaveSettings in the current directory; on failure a warning in the
// settings' own language, owned by `owner`. Returns whether it was written.
bool SaveSettingsOrWarn(const PortSettings& settings, QWidget* owner);

} // namespace printune
