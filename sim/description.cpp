#include "description.h"

#include <cctype>

namespace printune_sim {

std::string Description::KeyName(const std::string& endpoint) {
    std::string key;
    for (char c : endpoint)
        key += std::isalnum(static_cast<unsigned char>(c))
                   ? static_cast<char>(std::toupper(static_cast<unsigned char>(c)))
                   : '_';
    return key;
}

std::string Description::Quote(const std::string& value) {
    std::string q = "'";
    for (char c : value)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

void Description::AddEndpoint(const std::string& name, const Fields& fields) {
    endpoints_.push_back(name);
    for (const auto& [field, value] : fields)
        Add("SIM_" + KeyName(name) + "_" + field, value);
}

std::string Description::Text() const {
    std::string text;
    std::string names;
    for (const std::string& e : endpoints_)
        names += (names.empty() ? "" : " ") + e;
    auto line = [&](const std::string& k, const std::string& v) {
        text += k + "=" + Quote(v) + "\n";
    };
    for (const auto& [k, v] : lines_)
        if (k.rfind("SIM_", 0) != 0)
            line(k, v);
    line("SIM_ENDPOINTS", names);
    for (const auto& [k, v] : lines_)
        if (k.rfind("SIM_", 0) == 0)
            line(k, v);
    return text;
}

} // namespace printune_sim
