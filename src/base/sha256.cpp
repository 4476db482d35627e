// libcrypto's digest uses the CPU's SHA instructions where present, which
// keeps a traced multi-megabyte send close to the untraced one.
#include "base/sha256.h"

#include <openssl/sha.h>

#include "base/hex_text.h"

namespace printune {

std::string Sha256Hex(const uint8_t* data, size_t length) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(data, length, digest);
    return LowerHex(digest, sizeof digest);
}

} // namespace printune
