#include "endpoint.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <linux/usb/g_printer.h>

#include "port/serial_config.h"

namespace printune_sim {

namespace {
constexpr size_t CHUNK = 64 * 1024;
constexpr int QUIET_END_MS = 1000;
constexpr int PRINTER_RECEIVE_BUFFER = 4096;

void SetNonBlocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}
} // namespace

Endpoint::Endpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                   std::unique_ptr<Capture> capture, EndpointFaults faults)
    : name_(std::move(name)), loop_(loop), device_(std::move(device)), capture_(std::move(capture)),
      faults_(faults) {}

Endpoint::~Endpoint() {
    for (uint64_t id : timers_)
        loop_.Cancel(id);
    if (fd_ >= 0)
        loop_.Unwatch(fd_);
}

void Endpoint::Attach(int fd, bool socket) {
    fd_ = fd;
    socket_ = socket;
    ++generation_;
    received_ = 0;
    reading_ = true;
    closeWhenFlushed_ = false;
    paused_ = false;
    out_.clear();
    loop_.Watch(fd, POLLIN, [this](short revents) { OnEvents(revents); });
}

void Endpoint::Detach() {
    if (fd_ >= 0)
        loop_.Unwatch(fd_);
    fd_ = -1;
    ++generation_;
    out_.clear();
    for (uint64_t id : timers_)
        loop_.Cancel(id);
    timers_.clear();
    device_->OnDisconnect();
    TakeDeviceEvents();
}

void Endpoint::OnEvents(short revents) {
    if (revents & POLLOUT) {
        WriteSome();
        if (fd_ < 0)
            return;
    }
    if (!socket_ && !(revents & POLLIN) && (revents & (POLLHUP | POLLERR))) {
        OnStreamError();
        return;
    }
    if (reading_ && !paused_ && (revents & (POLLIN | POLLHUP | POLLERR))) {
        ReadSome();
        return;
    }
    // Not reading (read limit reached): a TCP connection that was reset or
    // hung up entirely ends.
    if (socket_ && (revents & (POLLHUP | POLLERR)))
        OnPeerClosed();
}

void Endpoint::ReadSome() {
    uint8_t buf[CHUNK];
    size_t want = sizeof buf;
    if (faults_.readLimit >= 0)
        want = std::min<size_t>(want, static_cast<size_t>(faults_.readLimit - received_));
    if (socket_ && faults_.closeAfter >= 0)
        want = std::min<size_t>(want, static_cast<size_t>(faults_.closeAfter - received_));
    if (faults_.vanishAfter >= 0)
        want = std::min<size_t>(want, static_cast<size_t>(faults_.vanishAfter - received_));
    if (faults_.slowReadBytes > 0)
        want = std::min<size_t>(want, static_cast<size_t>(faults_.slowReadBytes));
    ssize_t n = want == 0 ? 0 : socket_ ? ::recv(fd_, buf, want, 0) : ::read(fd_, buf, want);
    if (want > 0 && n == 0 && socket_) {
        OnPeerClosed();
        return;
    }
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return;
        if (socket_)
            OnPeerClosed();
        else
            OnStreamError();
        return;
    }
    if (n > 0 && faults_.slowReadBytes > 0)
        PauseReading();
    if (n > 0) {
        capture_->Bytes("rx", buf, static_cast<size_t>(n));
        received_ += n;
        if (!socket_)
            EndWhenQuiet();
        Reply reply;
        device_->OnBytes(buf, static_cast<size_t>(n), reply);
        TakeDeviceEvents();
        if (!reply.bytes.empty() || reply.closeConnection) {
            int delay = std::max(reply.delayMs, faults_.replyDelayMs);
            if (reply.splitAt > 0 && reply.splitAt < reply.bytes.size()) {
                std::vector<uint8_t> tail(
                    reply.bytes.begin() + static_cast<ptrdiff_t>(reply.splitAt), reply.bytes.end());
                reply.bytes.resize(reply.splitAt);
                QueueLater(delay + reply.splitGapMs, std::move(tail), reply.closeConnection);
                reply.closeConnection = false;
            }
            QueueLater(delay, std::move(reply.bytes), reply.closeConnection);
            if (fd_ < 0)
                return;
        }
    }
    if (faults_.vanishAfter >= 0 && received_ >= faults_.vanishAfter) {
        capture_->Note("fault", "vanishing after " + std::to_string(received_) + " bytes");
        Vanish();
        return;
    }
    if (socket_ && faults_.closeAfter >= 0 && received_ >= faults_.closeAfter) {
        capture_->Note("fault", "closing after " + std::to_string(received_) + " bytes");
        OnPeerClosed();
        return;
    }
    if (faults_.readRate > 0 && n > 0 && reading_) {
        // A slow printer: stop reading for as long as these bytes take it.
        reading_ = false;
        UpdateEvents();
        const uint64_t gen = generation_;
        auto id = std::make_shared<uint64_t>(0);
        *id = loop_.After(static_cast<int>(n * 1000 / faults_.readRate) + 1, [this, gen, id] {
            timers_.erase(std::remove(timers_.begin(), timers_.end(), *id), timers_.end());
            if (gen != generation_)
                return;
            reading_ = true;
            UpdateEvents();
        });
        timers_.push_back(*id);
    }
    if (faults_.readLimit >= 0 && received_ >= faults_.readLimit && reading_) {
        capture_->Note("fault", "reading stopped after " + std::to_string(received_) + " bytes");
        reading_ = false;
        UpdateEvents();
        OnReadingStopped();
    }
}

void Endpoint::EndWhenQuiet() {
    const int64_t mark = received_;
    const uint64_t gen = generation_;
    auto id = std::make_shared<uint64_t>(0);
    *id = loop_.After(QUIET_END_MS, [this, mark, gen, id] {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), *id), timers_.end());
        if (gen != generation_ || received_ != mark)
            return;
        device_->OnDisconnect();
        TakeDeviceEvents();
    });
    timers_.push_back(*id);
}

void Endpoint::QueueLater(int ms, std::vector<uint8_t> bytes, bool closeAfter) {
    if (ms <= 0) {
        Queue(bytes, closeAfter);
        return;
    }
    uint64_t gen = generation_;
    auto shared = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
    auto id = std::make_shared<uint64_t>(0);
    *id = loop_.After(ms, [this, gen, shared, id, closeAfter] {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), *id), timers_.end());
        if (gen == generation_)
            Queue(*shared, closeAfter);
    });
    timers_.push_back(*id);
}

void Endpoint::PauseReading() {
    paused_ = true;
    UpdateEvents();
    uint64_t gen = generation_;
    auto id = std::make_shared<uint64_t>(0);
    *id = loop_.After(faults_.slowReadMs, [this, gen, id] {
        timers_.erase(std::remove(timers_.begin(), timers_.end(), *id), timers_.end());
        if (gen != generation_)
            return;
        paused_ = false;
        UpdateEvents();
    });
    timers_.push_back(*id);
}

void Endpoint::Queue(const std::vector<uint8_t>& bytes, bool closeAfter) {
    if (fd_ < 0)
        return;
    capture_->Bytes("tx", bytes.data(), bytes.size());
    // What was received is on disk before the reply leaves: a client that
    // has its reply may read the capture at once.
    capture_->Flush();
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    if (closeAfter)
        closeWhenFlushed_ = true;
    WriteSome();
    if (fd_ >= 0)
        UpdateEvents();
}

void Endpoint::WriteSome() {
    while (!out_.empty()) {
        uint8_t buf[CHUNK];
        size_t n = std::min(out_.size(), sizeof buf);
        std::copy_n(out_.begin(), n, buf);
        ssize_t w = socket_ ? ::send(fd_, buf, n, MSG_NOSIGNAL) : ::write(fd_, buf, n);
        if (w < 0) {
            if (errno == EAGAIN || errno == EINTR)
                break;
            out_.clear(); // the peer is gone; a TCP read will notice
            break;
        }
        out_.erase(out_.begin(), out_.begin() + w);
    }
    if (out_.empty() && closeWhenFlushed_) {
        OnPeerClosed();
        return;
    }
    UpdateEvents();
}

void Endpoint::UpdateEvents() {
    if (fd_ < 0)
        return;
    // A connection no longer read watches for nothing but a reset or a full
    // hang-up (poll reports those unasked). The peer's FIN alone must not
    // end it: a printer that stopped reading does not notice the sender
    // finishing its half, and closing with unread input would answer with a
    // reset that the sender takes as a closed connection. The next client
    // replaces a stalled connection (see TcpEndpoint::Accept).
    const short in = reading_ && !paused_ ? POLLIN : 0;
    short events = static_cast<short>(in | (out_.empty() ? 0 : POLLOUT));
    loop_.SetEvents(fd_, events);
}

void Endpoint::TakeDeviceEvents() {
    for (const std::string& e : device_->TakeEvents()) {
        capture_->Note("event", e);
        if (onEvent_)
            onEvent_(e);
    }
}

TcpEndpoint::TcpEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                         std::unique_ptr<Capture> capture, EndpointFaults faults, std::string model)
    : Endpoint(std::move(name), loop, std::move(device), std::move(capture), faults),
      model_(std::move(model)) {}

TcpEndpoint::~TcpEndpoint() {
    if (conn_ >= 0) {
        Detach();
        ::close(conn_);
    }
    if (listenFd_ >= 0) {
        loop_.Unwatch(listenFd_);
        ::close(listenFd_);
    }
}

bool TcpEndpoint::Listen(const std::string& address, int port, std::string& error) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) {
        error = "bad TCP address " + address + ":" + std::to_string(port);
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // A printer that stops reading has a small buffer, not the megabytes a
    // loopback socket grows to: what it cannot take stays unacknowledged.
    if (faults_.readLimit >= 0) {
        int small = PRINTER_RECEIVE_BUFFER;
        ::setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    }
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listenFd_, 8) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                std::string(strerror(errno));
        return false;
    }
    socklen_t len = sizeof sa;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len);
    address_ = address;
    port_ = ntohs(sa.sin_port);
    loop_.Watch(listenFd_, POLLIN, [this](short) { Accept(); });
    return true;
}

void TcpEndpoint::Accept() {
    sockaddr_in peer{};
    socklen_t len = sizeof peer;
    int fd = ::accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len,
                       SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return;
    // A stalled connection (read limit reached) gives way to the next
    // client, so one test's fault does not starve the next.
    DropConnection();
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    char text[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    capture_->Note("open", std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)));
    conn_ = fd;
    // One connection at a time: later ones wait in the backlog.
    loop_.Unwatch(listenFd_);
    Attach(fd, true);
}

void TcpEndpoint::DropConnection() {
    if (conn_ < 0)
        return;
    capture_->Note("close");
    Detach();
    ::close(conn_);
    conn_ = -1;
    loop_.Watch(listenFd_, POLLIN, [this](short) { Accept(); });
}

void TcpEndpoint::OnPeerClosed() {
    DropConnection();
}

void TcpEndpoint::Vanish() {
    DropConnection();
    if (listenFd_ >= 0) {
        loop_.Unwatch(listenFd_);
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

void TcpEndpoint::OnReadingStopped() {
    // Listen again: a new client replaces this connection (see Accept).
    loop_.Watch(listenFd_, POLLIN, [this](short) { Accept(); });
}

Fields TcpEndpoint::Describe() const {
    return {{"KIND", "tcp"},
            {"ADDRESS", address_},
            {"PORT", std::to_string(port_)},
            {"MODEL", model_},
            {"CAPTURE", CapturePath()}};
}

PtyEndpoint::PtyEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                         std::unique_ptr<Capture> capture, EndpointFaults faults, Fields fields)
    : Endpoint(std::move(name), loop, std::move(device), std::move(capture), faults),
      fields_(std::move(fields)) {}

PtyEndpoint::~PtyEndpoint() {
    if (master_ >= 0) {
        Detach();
        ::close(master_);
    }
    if (slave_ >= 0)
        ::close(slave_);
}

bool PtyEndpoint::Create(std::string& error) {
    char path[256] = {};
    if (::openpty(&master_, &slave_, path, nullptr, nullptr) != 0) {
        error = "cannot create a pty: " + std::string(strerror(errno));
        return false;
    }
    termios t{};
    ::tcgetattr(slave_, &t);
    printune::MakeRawTermios(t, true);
    ::tcsetattr(slave_, TCSANOW, &t);
    SetNonBlocking(master_);
    SetNonBlocking(slave_);
    slavePath_ = path;
    Attach(master_, false);
    return true;
}

void PtyEndpoint::Vanish() {
    Detach();
    // With the master gone the tool's descriptor of the slave fails its
    // reads and writes, as a device node whose printer was unplugged.
    for (int* fd : {&master_, &slave_})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    for (const auto& [key, value] : fields_)
        if (key == "PATH")
            ::unlink(value.c_str());
}

Fields PtyEndpoint::Describe() const {
    Fields f = fields_;
    f.emplace_back("PTY", slavePath_);
    f.emplace_back("CAPTURE", CapturePath());
    return f;
}

GadgetEndpoint::GadgetEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                               std::unique_ptr<Capture> capture, EndpointFaults faults,
                               std::string model)
    : Endpoint(std::move(name), loop, std::move(device), std::move(capture), faults),
      model_(std::move(model)) {}

GadgetEndpoint::~GadgetEndpoint() {
    if (retry_ != 0)
        loop_.Cancel(retry_);
    if (node_ >= 0) {
        Detach();
        ::close(node_);
    }
}

bool GadgetEndpoint::Open(const std::string& path, int status, std::string& error) {
    node_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (node_ < 0) {
        error = "cannot open " + path + ": " + std::string(strerror(errno));
        return false;
    }
    // The driver takes the status byte as the argument itself.
    if (status >= 0 &&
        ::ioctl(node_, GADGET_SET_PRINTER_STATUS, static_cast<unsigned long>(status)) < 0) {
        error = "cannot set the printer status on " + path + ": " + std::string(strerror(errno));
        return false;
    }
    path_ = path;
    Attach(node_, false);
    return true;
}

// The host unbound the gadget (an unplugged printer): stop watching, so an
// endless hang-up does not spin the loop, and look again a little later, as
// the node serves the next host that binds it.
void GadgetEndpoint::OnStreamError() {
    if (!gone_)
        capture_->Note("gone");
    gone_ = true;
    Detach();
    retry_ = loop_.After(200, [this] {
        retry_ = 0;
        Attach(node_, false);
    });
}

Fields GadgetEndpoint::Describe() const {
    return {{"KIND", "gadget"}, {"PATH", path_}, {"MODEL", model_}, {"CAPTURE", CapturePath()}};
}

} // namespace printune_sim
