#pragma once
// Command-line parsing: global options (before or after the command), the
// command words, and each command's own options and arguments.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace printune::cli {

struct OptionSpec {
    std::string name;            // without the leading "--"
    const char* value = nullptr; // value placeholder for --help; nullptr: a flag
    const char* english = "";
    const char* chinese = "";
};

struct ParsedArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values; // flags hold "1"

    bool Has(const std::string& name) const { return values.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = {}) const;
    std::optional<std::string> Find(const std::string& name) const;
};

// The options every command accepts.
struct GlobalOptions {
    std::optional<std::string> port, model, baud, parity, dataBits, stopBits, flow, config, lang;
    std::optional<std::string> trace; // communication trace file
    bool traceFull = false;           // large payloads with their bytes
    bool json = false;
    bool help = false;
    bool version = false;
};

const std::vector<OptionSpec>& GlobalOptionSpecs();

// Splits "--name=value" / "--name value". Returns false when arg is not a
// long option. Throws a usage failure for a missing value.
bool TakeOption(const std::vector<OptionSpec>& optionTable, const std::vector<std::string>& argv,
                size_t& index, std::string& name, std::string& value, bool& known);

void StoreGlobal(GlobalOptions& options, const std::string& name, const std::string& value);

} // namespace printune::cli
