#include "sim_factory.h"

#include "canned.h"

namespace printune_sim {

// Until the printer models exist every model is a printer that takes the
// data and answers nothing.
std::unique_ptr<SimDevice> MakeSimPrinter(const std::string& model) {
    (void)model;
    return std::make_unique<SilentDevice>();
}

} // namespace printune_sim
