#pragma once
// A label printer's firmware update that keeps the printer's settings: new
// firmware may start from its factory settings. The settings are read while
// the printer still runs its old firmware, the update runs with its wait for
// the printer's return, and the saved settings are then applied with the
// profile engine (only what differs is sent, then read back). The update
// page and "printune-cli update --keep-settings" both run it.
#include <functional>
#include <optional>
#include <stop_token>

#include "firmware/firmware_update.h"
#include "settings/profile_operations.h"

namespace printune {

struct KeptSettingsUpdate {
    // The update as RunFirmwareUpdate reports it; refused when the file does
    // not fit or the settings could not be read (nothing was sent then).
    // Its settingsNotice tells what became of the settings.
    FirmwareUpdateResult update;
    bool saved = false; // the settings were read before the update
    ExchangeResult readFailure;
    SettingsProfile savedProfile;
    bool restoreRan = false; // the printer came back and was written to
    ProfileApplyResult restore;
};

// Reads the settings, sends the download-mode command (the version read
// first), runs the update (request.downloadMode is taken as set) and, when
// the printer answers again, applies the saved settings.
KeptSettingsUpdate
UpdateKeepingSettings(PortLink& link, const PortSettings& copy, FirmwareUpdateRequest request,
                      std::stop_token stop,
                      const std::function<void(const UpdateProgress&)>& onProgress);

} // namespace printune
