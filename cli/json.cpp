#include "json.h"

#include <cstdio>

namespace printune::cli {

Json& Json::Set(const std::string& key, Json value) {
    for (auto& member : members_) {
        if (member.first == key) {
            member.second = std::move(value);
            return *this;
        }
    }
    members_.emplace_back(key, std::move(value));
    return *this;
}

Json& Json::Push(Json value) {
    items_.push_back(std::move(value));
    return *this;
}

std::string Json::Dump() const {
    std::string out;
    DumpTo(out, 0);
    return out;
}

void Json::DumpTo(std::string& out, int indent) const {
    const std::string pad(static_cast<size_t>(indent + 2), ' ');
    switch (kind_) {
    case Kind::Null:
        out += "null";
        break;
    case Kind::Bool:
        out += bool_ ? "true" : "false";
        break;
    case Kind::Number:
        out += std::to_string(number_);
        break;
    case Kind::String:
        out += JsonQuote(string_);
        break;
    case Kind::Array:
        if (items_.empty()) {
            out += "[]";
            break;
        }
        out += "[\n";
        for (size_t i = 0; i < items_.size(); ++i) {
            out += pad;
            items_[i].DumpTo(out, indent + 2);
            out += i + 1 < items_.size() ? ",\n" : "\n";
        }
        out += std::string(static_cast<size_t>(indent), ' ') + "]";
        break;
    case Kind::Object:
        if (members_.empty()) {
            out += "{}";
            break;
        }
        out += "{\n";
        for (size_t i = 0; i < members_.size(); ++i) {
            out += pad + JsonQuote(members_[i].first) + ": ";
            members_[i].second.DumpTo(out, indent + 2);
            out += i + 1 < members_.size() ? ",\n" : "\n";
        }
        out += std::string(static_cast<size_t>(indent), ' ') + "}";
        break;
    }
}

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when it is not one.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n;
    if (b < 0x80)
        return 1;
    if (b >= 0xC2 && b <= 0xDF)
        n = 2;
    else if (b >= 0xE0 && b <= 0xEF)
        n = 3;
    else if (b >= 0xF0 && b <= 0xF4)
        n = 4;
    else
        return 0;
    if (i + n > s.size())
        return 0;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 0;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 > 0x9F) || (b == 0xF0 && b1 < 0x90) ||
        (b == 0xF4 && b1 > 0x8F))
        return 0; // overlong, surrogate or above U+10FFFF
    return n;
}

} // namespace

std::string JsonQuote(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '"':
            out += "\\\"";
            ++i;
            continue;
        case '\\':
            out += "\\\\";
            ++i;
            continue;
        case '\n':
            out += "\\n";
            ++i;
            continue;
        case '\r':
            out += "\\r";
            ++i;
            continue;
        case '\t':
            out += "\\t";
            ++i;
            continue;
        default:
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            ++i;
            continue;
        }
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        out.append(text, i, n);
        i += n;
    }
    return out + "\"";
}

} // namespace printune::cli
