#include "support/free_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

namespace printune_test {

uint16_t FreeLoopbackPort(int socketType) {
    const int fd = socket(AF_INET, socketType, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
}

} // namespace printune_test
