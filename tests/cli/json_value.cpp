#include "json_value.h"

#include <cstdlib>

namespace printune_test {

bool JsonValue::Has(const std::string& key) const {
    for (const auto& m : object)
        if (m.first == key)
            return true;
    return false;
}

const JsonValue& JsonValue::operator[](const std::string& key) const {
    static const JsonValue null;
    for (const auto& m : object)
        if (m.first == key)
            return m.second;
    return null;
}

std::vector<std::string> JsonValue::Keys() const {
    std::vector<std::string> keys;
    for (const auto& m : object)
        keys.push_back(m.first);
    return keys;
}

namespace {

struct Parser {
    const std::string& s;
    size_t i = 0;
    std::string error;

    void Blank() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t'))
            ++i;
    }
    bool Fail(const char* why) {
        if (error.empty())
            error = std::string(why) + " at " + std::to_string(i);
        return false;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (s.compare(i, w.size(), w) != 0)
            return Fail("bad literal");
        i += w.size();
        return true;
    }
    bool String(std::string& out) {
        if (i >= s.size() || s[i] != '"')
            return Fail("expected string");
        ++i;
        while (i < s.size() && s[i] != '"') {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 0x20)
                return Fail("control character in string");
            if (c != '\\') {
                out += s[i++];
                continue;
            }
            if (++i >= s.size())
                return Fail("cut escape");
            const char e = s[i++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                if (i + 4 > s.size())
                    return Fail("cut \\u");
                const unsigned long cp = std::strtoul(s.substr(i, 4).c_str(), nullptr, 16);
                i += 4;
                if (cp < 0x80) {
                    out += static_cast<char>(cp);
                } else if (cp < 0x800) {
                    out += static_cast<char>(0xC0 | (cp >> 6));
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                } else {
                    out += static_cast<char>(0xE0 | (cp >> 12));
                    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                    out += static_cast<char>(0x80 | (cp & 0x3F));
                }
                break;
            }
            default:
                return Fail("bad escape");
            }
        }
        if (i >= s.size())
            return Fail("unterminated string");
        ++i;
        return true;
    }
    bool Value(JsonValue& v) {
        Blank();
        if (i >= s.size())
            return Fail("unexpected end");
        const char c = s[i];
        if (c == '{') {
            v.type = JsonValue::Type::Object;
            ++i;
            Blank();
            if (i < s.size() && s[i] == '}') {
                ++i;
                return true;
            }
            for (;;) {
                Blank();
                std::string key;
                if (!String(key))
                    return false;
                Blank();
                if (i >= s.size() || s[i] != ':')
                    return Fail("expected ':'");
                ++i;
                JsonValue member;
                if (!Value(member))
                    return false;
                v.object.emplace_back(key, std::move(member));
                Blank();
                if (i < s.size() && s[i] == ',') {
                    ++i;
                    continue;
                }
                if (i < s.size() && s[i] == '}') {
                    ++i;
                    return true;
                }
                return Fail("expected ',' or '}'");
            }
        }
        if (c == '[') {
            v.type = JsonValue::Type::Array;
            ++i;
            Blank();
            if (i < s.size() && s[i] == ']') {
                ++i;
                return true;
            }
            for (;;) {
                JsonValue item;
                if (!Value(item))
                    return false;
                v.array.push_back(std::move(item));
                Blank();
                if (i < s.size() && s[i] == ',') {
                    ++i;
                    continue;
                }
                if (i < s.size() && s[i] == ']') {
                    ++i;
                    return true;
                }
                return Fail("expected ',' or ']'");
            }
        }
        if (c == '"') {
            v.type = JsonValue::Type::String;
            return String(v.string);
        }
        if (c == 't') {
            v.type = JsonValue::Type::Bool;
            v.boolean = true;
            return Literal("true");
        }
        if (c == 'f') {
            v.type = JsonValue::Type::Bool;
            return Literal("false");
        }
        if (c == 'n')
            return Literal("null");
        if (c == '-' || (c >= '0' && c <= '9')) {
            char* end = nullptr;
            v.type = JsonValue::Type::Number;
            v.number = std::strtod(s.c_str() + i, &end);
            i = static_cast<size_t>(end - s.c_str());
            return true;
        }
        return Fail("unexpected character");
    }
};

} // namespace

bool ParseJson(const std::string& text, JsonValue& out, std::string* error) {
    Parser p{text, 0, {}};
    out = JsonValue{};
    bool ok = p.Value(out);
    if (ok) {
        p.Blank();
        if (p.i != text.size())
            ok = p.Fail("text after the document");
    }
    if (!ok && error)
        *error = p.error;
    return ok;
}

} // namespace printune_test
