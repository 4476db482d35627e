#include "base/codepage.h"

#include "base/device_texts.h"
#include "base/iconv.h"
#include "base/language.h"

namespace printune {

namespace {

TextBytes Failure(std::string message) {
    TextBytes r;
    r.error = std::move(message);
    return r;
}

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
        std::string narrow;
        if (!cv.Convert(one, narrow))
            return Failure(
                FormatDeviceText(DeviceText::CharNotInCodePage, languageId, one, codePage));
        r.bytes.insert(r.bytes.end(), narrow.begin(), narrow.end());
    }
    r.ok = true;
    return r;
}

TextBytes CommandTextBytes(const std::string& utf8, const std::string& codePage, int languageId) {
    TextBytes r = ToNarrow(utf8, codePage, languageId);
    if (!r.ok || utf8.empty() || static_cast<unsigned char>(utf8[0]) < 0x80)
        return r;
    size_t area = 2 * Utf8CharCount(utf8);
    if (r.bytes.size() > area)
        area = r.bytes.size();
    r.bytes.resize(area, 0x00);
    r.bytes.push_back(0x0A);
    return r;
}

TextBytes LowByteText(const std::string& utf8, int languageId) {
    std::u32string chars;
    if (!IsValidFieldText(utf8) || !DecodeUtf8(utf8, chars))
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

} // namespace printune
