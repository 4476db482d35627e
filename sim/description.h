#pragma once
// The machine-readable description of the running simulator: one
// KEY='value' line each, so a shell can source it and a test can parse it.
//   PRINTUNE_DEVICE_DIR='...'   PRINTUNE_SYSFS_ROOT='...'  PRINTUNE_DEV_ROOT='...'
//   SIM_ENDPOINTS='tcp COM1 usb0'
//   SIM_TCP_PORT='9100'  SIM_COM1_PATH='.../devices/COM1'  SIM_USB0_PID='5C19' ...
#include <string>
#include <utility>
#include <vector>

#include "endpoint.h"

namespace printune_sim {

class Description {
public:
    void Add(const std::string& key, const std::string& value) { lines_.emplace_back(key, value); }
    // SIM_<NAME>_<FIELD> for every field; the name joins SIM_ENDPOINTS.
    void AddEndpoint(const std::string& name, const Fields& fields);
    std::string Text() const;

    // "usb0" -> "USB0": the key part of an endpoint name.
    static std::string KeyName(const std::string& endpoint);
    // Single-quoted for the shell.
    static std::string Quote(const std::string& value);

private:
    std::vector<std::pair<std::string, std::string>> lines_;
    std::vector<std::string> endpoints_;
};

} // namespace printune_sim
