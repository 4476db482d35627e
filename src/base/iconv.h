#pragma once
// The one owner of an iconv conversion descriptor: opened in the
// constructor, closed in the destructor, on every path.
#include <string>
#include <string_view>

#include <iconv.h>

namespace printune {

class Iconv {
public:
    Iconv(const std::string& to, const std::string& from);
    ~Iconv();
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // False when iconv knows one of the two code pages not.
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in` and appends it to `out`; false (out unchanged)
    // when any byte is refused or the input ends inside a character.
    bool Convert(std::string_view in, std::string& out);

    // Converts `in`, putting `replacement` for every byte that cannot be
    // converted, and goes on behind it.
    std::string ConvertReplacing(std::string_view in, std::string_view replacement);

private:
    void ResetState();

    iconv_t cd_;
};

} // namespace printune
