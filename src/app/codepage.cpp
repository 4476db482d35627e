#include "app/codepage.h"

#include <iconv.h>

#include "app/language.h"
#include "diagnostics/device_texts.h"

namespace printune {

bool DecodeUtf8(const std::string& utf8, std::u32string& out) {
    out.clear();
    size_t i = 0;
    while (i < utf8.size()) {
        auto b = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t c = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= utf8.size() && extra > 0)
            return false;
        for (int k = 1; k <= extra; ++k) {
            auto cb = static_cast<unsigned char>(utf8[i + k]);
            if ((cb & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (cb & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        out.push_back(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

std::string EncodeUtf8(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

namespace {

TextBytes Failure(std::string message) {
    TextBytes r;
    r.error = std::move(message);
    return r;
}

class Iconv {
public:
    Iconv(const std::string& to, const char* from) : cd_(iconv_open(to.c_str(), from)) {}
    ~Iconv() {
        if (Valid())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    // Converts one character; false when the code page has no byte for it.
    bool Convert(const std::string& in, std::vector<uint8_t>& out) {
        char buffer[16];
        char* inPtr = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
            return false;
        // Flush any shift state (stateful code pages).
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.insert(out.end(), buffer, outPtr);
        return true;
    }

private:
    iconv_t cd_;
};

} // namespace

TextBytes ToNarrow(const std::string& utf8, const std::string& codePage, int languageId) {
    std::u32string chars;
    if (!DecodeUtf8(utf8, chars))
        return Failure(DeviceTextString(DeviceText::InvalidUtf8, languageId));
    Iconv cv(codePage, "UTF-8");
    if (!cv.Valid())
        return Failure(FormatDeviceText(DeviceText::CharNotInCodePage, languageId,
                                        chars.empty() ? "" : EncodeUtf8(chars[0]), codePage));
    TextBytes r;
    r.bytes.reserve(utf8.size());
    // Character by character, so the one that does not fit can be named.
    for (char32_t c : chars) {
        std::string one = EncodeUtf8(c);
        if (!cv.Convert(one, r.bytes))
            return Failure(
                FormatDeviceText(DeviceText::CharNotInCodePage, languageId, one, codePage));
    }
    r.ok = true;
    return r;
}

TextBytes CommandTextBytes(const std::string& utf8, const std::string& codePage, int languageId) {
    TextBytes r = ToNarrow(utf8, codePage, languageId);
    if (!r.ok || utf8.empty() || static_cast<unsigned char>(utf8[0]) < 0x80)
        return r;
    size_t area = 2 * CharacterCount(utf8);
    if (r.bytes.size() > area)
        area = r.bytes.size();
    r.bytes.resize(area, 0x00);
    r.bytes.push_back(0x0A);
    return r;
}

TextBytes LowByteText(const std::string& utf8, int languageId) {
    std::u32string chars;
    if (!DecodeUtf8(utf8, chars))
        return Failure(DeviceTextString(DeviceText::InvalidUtf8, languageId));
    TextBytes r;
    for (char32_t c : chars) {
        if (c > 0xFF)
            return Failure(
                FormatDeviceText(DeviceText::CharNotSingleByte, languageId, EncodeUtf8(c)));
        r.bytes.push_back(static_cast<uint8_t>(c));
    }
    r.ok = true;
    return r;
}

std::string LowByteToUtf8(const uint8_t* data, size_t length) {
    std::string s;
    for (size_t i = 0; i < length && data[i] != 0; ++i)
        s += EncodeUtf8(data[i]);
    return s;
}

size_t CharacterCount(const std::string& utf8) {
    size_t n = 0;
    for (char ch : utf8)
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace printune
