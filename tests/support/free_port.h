#pragma once
// A loopback port number that nothing listens on right now (bound to
// 127.0.0.1, read back, released), for tests that need a closed TCP port or a
// free UDP port.
#include <cstdint>

#include <sys/socket.h>

namespace printune_test {

uint16_t FreeLoopbackPort(int socketType = SOCK_STREAM);

} // namespace printune_test
