#include "endpoint_device.h"

#include "sim_factory.h"

namespace printune_sim {

std::unique_ptr<SimDevice> MakeEndpointDevice(const std::string& model,
                                              const std::vector<CannedRule>& canned) {
    std::unique_ptr<SimDevice> inner;
    if (model == "silent")
        inner = std::make_unique<SilentDevice>();
    else if (model == "echo")
        inner = std::make_unique<EchoDevice>();
    else
        inner = MakeSimPrinter(model);
    if (canned.empty())
        return inner;
    return std::make_unique<CannedDevice>(canned, std::move(inner));
}

std::string ModelForUsbProduct(const std::string& pid) {
    if (pid == "3D71")
        return "HT-740";
    if (pid == "3D72")
        return "HT-750";
    return "KP-520";
}

} // namespace printune_sim
