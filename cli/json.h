#pragma once
// The command line's JSON documents: nlohmann::ordered_json, so members keep
// the order they are set in, behind the few calls the commands make. Dump
// replaces invalid UTF-8 with U+FFFD, so a document always parses.
#include <cstddef>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

namespace printune::cli {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool b) : value_(b) {}
    Json(int v) : value_(v) {}
    Json(long v) : value_(v) {}
    Json(long long v) : value_(v) {}
    Json(unsigned v) : value_(v) {}
    Json(unsigned long v) : value_(v) {}
    Json(const char* s) : value_(s) {}
    Json(std::string s) : value_(std::move(s)) {}

    static Json Array() { return Json(Value::array()); }
    static Json Object() { return Json(Value::object()); }

    // Object: sets a key (replacing an existing one, keeping its place).
    Json& Set(const std::string& key, Json value) {
        value_[key] = std::move(value.value_);
        return *this;
    }
    // Array: appends.
    Json& Push(Json value) {
        value_.push_back(std::move(value.value_));
        return *this;
    }

    Kind kind() const {
        if (value_.is_boolean())
            return Kind::Bool;
        if (value_.is_number())
            return Kind::Number;
        if (value_.is_string())
            return Kind::String;
        if (value_.is_array())
            return Kind::Array;
        return value_.is_object() ? Kind::Object : Kind::Null;
    }
    // Pretty-printed with two-space indentation, no trailing newline.
    std::string Dump() const { return value_.dump(2, ' ', false, Value::error_handler_t::replace); }

private:
    using Value = nlohmann::ordered_json;
    explicit Json(Value v) : value_(std::move(v)) {}

    Value value_;
};

} // namespace printune::cli
