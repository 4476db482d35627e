#pragma once
// A strict little JSON reader, so tests can check the shape of the
// documents the command line prints.
#include <map>
#include <string>
#include <vector>

namespace printune_test {

struct JsonValue {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> object;

    bool Has(const std::string& key) const;
    // The member, or a null value when absent.
    const JsonValue& operator[](const std::string& key) const;
    std::vector<std::string> Keys() const;
};

// Parses exactly one document (surrounding blanks allowed). False with a
// reason in error on anything else.
bool ParseJson(const std::string& text, JsonValue& out, std::string* error = nullptr);

} // namespace printune_test
