// 8 MiB over TCP to a loopback sink with the communication trace off and on
// (hash mode), against a plain socket send of the same bytes. Prints the
// median of several rounds and the ratios, and how long the traced send
// takes until its digest and line are written by the trace's thread.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "port/comm_trace.h"
#include "port/port_settings.h"
#include "port/printer_port.h"

using namespace printune;

namespace {

constexpr size_t PAYLOAD = 8u << 20;
constexpr int ROUNDS = 15;

// Accepts connections one after another and reads each to its end.
class Sink {
public:
    Sink() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
            ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
            std::perror("sink");
            std::exit(1);
        }
        port_ = ntohs(sa.sin_port);
        thread_ = std::thread([this] {
            std::vector<char> buffer(1 << 16);
            for (;;) {
                const int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0)
                    return;
                while (::read(fd, buffer.data(), buffer.size()) > 0) {
                }
                ::close(fd);
            }
        });
    }
    ~Sink() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    uint16_t Port() const { return port_; }

private:
    int listener_ = -1;
    uint16_t port_ = 0;
    std::thread thread_;
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// A plain blocking send of the bytes, the reference.
double PlainSend(uint16_t port, const std::vector<uint8_t>& bytes) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    char c;
    while (::read(fd, &c, 1) > 0) {
    }
    ::close(fd);
    return Seconds(start);
}

// Open, one write, flush, close through the port, as a file send does.
double PortSend(const std::vector<uint8_t>& bytes) {
    const auto start = std::chrono::steady_clock::now();
    CPrinterPort port;
    port.portType = PORT_LAN;
    port.Open("127.0.0.1");
    port.data = bytes.data();
    port.length = static_cast<int32_t>(bytes.size());
    port.Write();
    port.Flush();
    port.Close();
    return Seconds(start);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main() {
    Sink sink;
    PortSettings settings = CurrentPortSettings();
    settings.listenPort = sink.Port();
    SetCurrentPortSettings(settings);
    std::vector<uint8_t> bytes(PAYLOAD);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 131 + 7);

    std::vector<double> plain, off, on, drained;
    char path[] = "/tmp/printune-trace-bench-XXXXXX";
    const int tmp = ::mkstemp(path);
    if (tmp < 0) {
        std::perror("mkstemp");
        return 1;
    }
    ::close(tmp);
    for (int round = 0; round < ROUNDS; ++round) {
        plain.push_back(PlainSend(sink.Port(), bytes));
        off.push_back(PortSend(bytes));
        TraceFile trace(path, false);
        const auto start = std::chrono::steady_clock::now();
        on.push_back(PortSend(bytes));
        // The digest and the file's line are done on the trace's thread.
        FlushTrace();
        drained.push_back(Seconds(start));
    }
    ::unlink(path);
    const double p = Median(plain), f = Median(off), n = Median(on), d = Median(drained);
    std::printf("8 MiB over TCP (median of %d): plain send %.2f ms, port trace off %.2f ms, "
                "trace on (hash) %.2f ms\n",
                ROUNDS, p * 1e3, f * 1e3, n * 1e3);
    std::printf("ratio to the untraced port send: off 1.00, on %.2f (limit 1.5)\n", n / f);
    std::printf("ratio to a plain socket send:    off %.2f (limit 1.05), on %.2f\n", f / p, n / p);
    std::printf("trace on until its line is written: %.2f ms (ratio %.2f)\n", d * 1e3, d / f);
    std::printf("trace on until its line is written: %.2f ms (ratio %.2f)\n", d * 1e3, d / f);
    return 0;
}
