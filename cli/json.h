#pragma once
// A small JSON value with ordered object keys, enough for the documents the
// command line prints (settings by name, device lists). Output only.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace printune::cli {

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    Json() = default;
    Json(std::nullptr_t) {}
    Json(bool b) : kind_(Kind::Bool), bool_(b) {}
    Json(int v) : kind_(Kind::Number), number_(v) {}
    Json(long v) : kind_(Kind::Number), number_(v) {}
    Json(long long v) : kind_(Kind::Number), number_(v) {}
    Json(unsigned v) : kind_(Kind::Number), number_(v) {}
    Json(unsigned long v) : kind_(Kind::Number), number_(static_cast<long long>(v)) {}
    Json(const char* s) : kind_(Kind::String), string_(s) {}
    Json(std::string s) : kind_(Kind::String), string_(std::move(s)) {}

    static Json Array() { return Json(Kind::Array); }
    static Json Object() { return Json(Kind::Object); }

    // Object: sets a key (replacing an existing one, keeping its place).
    Json& Set(const std::string& key, Json value);
    // Array: appends.
    Json& Push(Json value);

    Kind kind() const { return kind_; }
    // Pretty-printed with two-space indentation, no trailing newline.
    std::string Dump() const;

private:
    explicit Json(Kind k) : kind_(k) {}
    void DumpTo(std::string& out, int indent) const;

    Kind kind_ = Kind::Null;
    bool bool_ = false;
    long long number_ = 0;
    std::string string_;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

// The text as a JSON string literal, quotes included. Invalid UTF-8 bytes
// are replaced by U+FFFD so the document always parses.
std::string JsonQuote(const std::string& text);

} // namespace printune::cli
