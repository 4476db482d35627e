#pragma once
// A reader of "private profile" files ([Section] / Key=Value text), with the
// lookup rules the settings file has always been read with:
//
// - Lines end with LF, CR LF or a lone CR; a last line without a line end is
//   read too.
//   A UTF-8 byte-order mark at the start of the file is skipped.
// - Blanks (space, tab, CR, VT, FF) around section names, keys and values are
//   dropped. A value enclosed in a pair of matching single or double quotes
//   loses the quotes.
// - A line whose first non-blank character is ';' is a comment. A ';' later
//   in a line is part of the value ("Key=a ; b" reads "a ; b").
// - "[Name]" starts a section; the name ends at the first ']' and the rest of
//   the line is ignored. A '[' line without ']' is ignored.
// - "Key=Value" splits at the first '='. A line without '=' names a key with
//   an empty value. Lines before the first section belong to no section.
// - Section and key names compare case-insensitively (ASCII). The first
//   section of a name is the only one searched: a later section of the same
//   name is never consulted, and within it the first occurrence of a key wins.
// - A NUL byte ends the line's text.
//
// Values are returned byte for byte (UTF-8 stays UTF-8); lengths are counted
// in characters (UTF-8 sequences), so a cut never splits a character.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace printune {

class PrivateProfile {
public:
    // Parses the complete text of a file; never fails.
    static PrivateProfile Parse(std::string_view text);

    // Looks a value up the way the platform's private-profile call does with
    // an empty default and a buffer of `bufferChars` characters: `value`
    // receives at most bufferChars - 1 characters of the value (empty when the
    // section or key is absent), and the number of characters stored is
    // returned. bufferChars 0 stores nothing and returns 0.
    size_t GetString(std::string_view section, std::string_view key, std::string& value,
                     size_t bufferChars = 128) const;

    // The whole value, uncut; empty when absent.
    std::string Value(std::string_view section, std::string_view key) const;
    bool HasKey(std::string_view section, std::string_view key) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    struct Section {
        std::string name;
        std::vector<Entry> entries;
    };

    const Entry* Find(std::string_view section, std::string_view key) const;

    std::vector<Section> sections_;
};

} // namespace printune
