#include "app/ui/keeping_update.h"

#include "app/keep_settings_update.h"
#include "firmware/ui/firmware_page.h"

namespace printune {

void InstallKeepingUpdate() {
    CUpgradeFW::SetKeepingUpdate([](PortLink& link, const PortSettings& copy,
                                    const FirmwareUpdateRequest& request, std::stop_token stop,
                                    const std::function<void(const UpdateProgress&)>& onProgress) {
        return UpdateKeepingSettings(link, copy, request, std::move(stop), onProgress).update;
    });
}

} // namespace printune
