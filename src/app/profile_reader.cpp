#include "app/profile_reader.h"

#include <algorithm>

#include "base/utf8.h"

namespace printune {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

} // namespace

PrivateProfile PrivateProfile::Parse(std::string_view text) {
    PrivateProfile profile;
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);

    Section* current = nullptr; // keys before the first section are dropped
    while (!text.empty()) {
        // A lone CR ends a line too: no value may hold one, or the saved
        // file would get a stray line (the saver refuses such a record).
        size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        line = line.substr(0, line.find('\0'));
        line = Trim(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;
            profile.sections_.push_back(Section{std::string(Trim(line.substr(1, close - 1))), {}});
            current = &profile.sections_.back();
            continue;
        }
        if (!current)
            continue;
        size_t eq = line.find('=');
        Entry entry;
        entry.key = std::string(Trim(line.substr(0, eq)));
        if (eq != std::string_view::npos)
            entry.value = std::string(Unquote(Trim(line.substr(eq + 1))));
        current->entries.push_back(std::move(entry));
    }
    return profile;
}

const PrivateProfile::Entry* PrivateProfile::Find(std::string_view section,
                                                  std::string_view key) const {
    for (const Section& s : sections_) {
        if (!EqualsNoCase(s.name, section))
            continue;
        for (const Entry& e : s.entries)
            if (EqualsNoCase(e.key, key))
                return &e;
        return nullptr; // only the first section of a name counts
    }
    return nullptr;
}

size_t PrivateProfile::GetString(std::string_view section, std::string_view key, std::string& value,
                                 size_t bufferChars) const {
    value.clear();
    const Entry* e = Find(section, key);
    if (!e || bufferChars == 0)
        return 0;
    value = std::string(Utf8Prefix(e->value, bufferChars - 1));
    return Utf8CharCount(value);
}

std::string PrivateProfile::Value(std::string_view section, std::string_view key) const {
    const Entry* e = Find(section, key);
    return e ? e->value : std::string();
}

bool PrivateProfile::HasKey(std::string_view section, std::string_view key) const {
    return Find(section, key) != nullptr;
}

} // namespace printune
