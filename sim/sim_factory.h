#pragma once
// The printer model behind an endpoint, by model name ("KP-520", "KP-740",
// "KP-500", "HT-740", "HT-750").
#include <memory>
#include <string>

#include "sim_device.h"

namespace printune_sim {

std::unique_ptr<SimDevice> MakeSimPrinter(const std::string& model);

} // namespace printune_sim
