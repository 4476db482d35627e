#pragma once
// The documents the command line prints, read with nlohmann::json. Members
// keep their document order, so tests can check it.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace printune_test {

using JsonDoc = nlohmann::ordered_json;

// Exactly one document (surrounding blanks allowed); anything else gives a
// value for which is_discarded() is true.
inline JsonDoc ParseDocument(const std::string& text) {
    return JsonDoc::parse(text, nullptr, false);
}

// The member names of an object in document order.
inline std::vector<std::string> Keys(const JsonDoc& object) {
    std::vector<std::string> keys;
    if (object.is_object())
        for (const auto& member : object.items())
            keys.push_back(member.key());
    return keys;
}

} // namespace printune_test
