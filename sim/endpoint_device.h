#pragma once
// Which device answers on an endpoint: the built-in test devices ("silent",
// "echo"), canned replies in front of the model, or the printer model.
#include <memory>
#include <string>
#include <vector>

#include "canned.h"
#include "sim_device.h"

namespace printune_sim {

std::unique_ptr<SimDevice> MakeEndpointDevice(const std::string& model,
                                              const std::vector<CannedRule>& canned);

// The model a USB printer with this product ID (four upper-case hex digits)
// simulates: 5C19 the label printer, 3D71 the HT-740, 3D72 the HT-750.
std::string ModelForUsbProduct(const std::string& pid);

} // namespace printune_sim
