#include "base/iconv.h"

#include <cerrno>

namespace printune {

Iconv::Iconv(const std::string& to, const std::string& from)
    : cd_(iconv_open(to.c_str(), from.c_str())) {}

Iconv::~Iconv() {
    if (Valid())
        iconv_close(cd_);
}

void Iconv::ResetState() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
}

bool Iconv::Convert(std::string_view in, std::string& out) {
    if (!Valid())
        return false;
    ResetState();
    std::string buffer(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0)
        return false;
    // Flush any shift state (stateful code pages).
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1))
        return false;
    out.append(buffer.data(), static_cast<size_t>(dst - buffer.data()));
    return true;
}

std::string Iconv::ConvertReplacing(std::string_view in, std::string_view replacement) {
    std::string out;
    if (!Valid())
        return out;
    ResetState();
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char buffer[256];
    while (srcLeft > 0) {
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        const size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // Undecodable or truncated sequence: mark it and go on.
        out += replacement;
        ++src;
        --srcLeft;
        ResetState();
    }
    return out;
}

} // namespace printune
