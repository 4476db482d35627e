#include "net_printers.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>

namespace printune_sim {

using namespace printune;

std::unique_ptr<NetworkPrinters> NetworkPrinters::Start(const NetworkPrintersOptions& options,
                                                        std::string& error) {
    std::unique_ptr<NetworkPrinters> self(new NetworkPrinters());
    self->options_ = options;
    for (const NetLabelSetup& setup : options.label)
        self->label_.emplace_back(setup);
    for (const NetHtSetup& setup : options.ht)
        self->ht_.emplace_back(setup);
    const auto address = ParseIpv4(options.bindAddress);
    if (!address) {
        error = "bad bind address " + options.bindAddress;
        return nullptr;
    }
    const auto open = [&](UdpSocket& socket, uint16_t port, Ipv4Endpoint& bound, const char* what) {
        int rc = socket.Open(true);
        if (rc == 0)
            rc = socket.Bind({*address, port}, true);
        if (rc != 0) {
            error = std::string("cannot bind the ") + what + " socket to " +
                    FormatEndpoint({*address, port}) + ": " + std::strerror(rc);
            return false;
        }
        bound = socket.LocalEndpoint().value_or(Ipv4Endpoint{});
        return true;
    };
    if (!self->label_.empty() &&
        !open(self->netcfgSocket_, options.netcfgPort, self->netcfgEndpoint_, "label-printer"))
        return nullptr;
    if (!self->ht_.empty() && !open(self->htSocket_, options.htPort, self->htEndpoint_, "HT"))
        return nullptr;
    self->thread_ = std::thread([raw = self.get()] { raw->Serve(); });
    return self;
}

NetworkPrinters::~NetworkPrinters() {
    Stop();
}

void NetworkPrinters::Stop() {
    if (thread_.joinable()) {
        stop_.Signal();
        thread_.join();
    }
    netcfgSocket_.Close();
    htSocket_.Close();
}

std::vector<SimClock::time_point> NetworkPrinters::SentTimes(bool label) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return label ? netcfgSent_ : htSent_;
}

void NetworkPrinters::Serve() {
    std::vector<uint8_t> buffer(4096);
    for (;;) {
        pollfd fds[3] = {
            {stop_.fd(), POLLIN, 0}, {netcfgSocket_.fd(), POLLIN, 0}, {htSocket_.fd(), POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN)
            return;
        for (int which = 1; which <= 2; ++which) {
            if (!(fds[which].revents & POLLIN))
                continue;
            UdpSocket& socket = which == 1 ? netcfgSocket_ : htSocket_;
            Ipv4Endpoint from;
            const long length = socket.ReceiveNow(buffer.data(), buffer.size(), &from);
            if (length < 0 || static_cast<size_t>(length) > buffer.size())
                continue;
            const auto now = SimClock::now();
            std::vector<std::vector<uint8_t>> replies;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (which == 1) {
                    ++netcfgRequests_;
                    for (NetLabelPrinter& printer : label_)
                        for (auto& r : printer.OnDatagram(buffer.data(), length, now))
                            replies.push_back(std::move(r));
                } else {
                    ++htRequests_;
                    for (NetHtPrinter& printer : ht_)
                        for (auto& r : printer.OnDatagram(buffer.data(), length, now))
                            replies.push_back(std::move(r));
                }
            }
            Ipv4Endpoint to = from;
            if (which == 1 && options_.netcfgReplyPort != 0)
                to.port = options_.netcfgReplyPort;
            const bool broadcast = which == 1 && options_.netcfgReplyBroadcast;
            if (broadcast)
                to.address = IPV4_BROADCAST;
            for (const auto& reply : replies) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    (which == 1 ? netcfgSent_ : htSent_).push_back(SimClock::now());
                }
                if (broadcast)
                    socket.SendBroadcast(reply.data(), reply.size(), to, true);
                else
                    socket.SendTo(reply.data(), reply.size(), to);
            }
        }
    }
}

NetLabelIdentity NetworkPrinters::LabelIdentity(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return label_.at(index).Identity(SimClock::now());
}

int NetworkPrinters::LabelSetsApplied(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return label_.at(index).SetsApplied();
}

void NetworkPrinters::SetLabelFaults(size_t index, unsigned faults) {
    std::lock_guard<std::mutex> lock(mutex_);
    label_.at(index).SetFaults(faults);
}

HtNetConfig NetworkPrinters::HtConfig(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ht_.at(index).Config();
}

HtDeviceRecord NetworkPrinters::HtRecord(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ht_.at(index).Record(SimClock::now());
}

std::vector<std::string> NetworkPrinters::HtLog(size_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ht_.at(index).Log();
}

int NetworkPrinters::NetcfgRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return netcfgRequests_;
}

int NetworkPrinters::HtRequests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return htRequests_;
}

// ---------------------------------------------------------------- options

const char* NetworkPrintersUsage() {
    return "  --net-label N            N simulated label printers (UDP 22094)\n"
           "  --net-ht N               N simulated HT-740 printers (UDP 1901)\n"
           "  --net-bind ADDR          address of their sockets (default 127.0.0.2;\n"
           "                           0.0.0.0 inside a network namespace)\n"
           "  --netcfg-port N          label protocol port (default 22094, 0 any)\n"
           "  --netcfg-reply-port N    port label printers answer to (default 22094;\n"
           "                           0 the request's source port)\n"
           "  --netcfg-reply-mode M    unicast (default: to the request's source)\n"
           "                           or broadcast (255.255.255.255)\n"
           "  --htnet-port N           HT protocol port (default 1901, 0 any)\n"
           "  --net-fault F[:I]        fault F for every printer, or printer I (from 0):\n"
           "                           no-answer answer-twice split two-in-one\n"
           "                           foreign-mac oversize short-reply no-ack\n"
           "  --net-dhcp-settle MS     after DHCP is switched on, report no address\n"
           "                           (\"----\" / 0.0.0.0) for MS milliseconds\n";
}

std::unique_ptr<NetworkPrinters> StartNetworkPrinters(int argc, char** argv, std::string& error) {
    NetworkPrintersOptions options;
    int labelCount = 0, htCount = 0, settleMs = 0;
    struct Fault {
        unsigned fault;
        int index; // -1: all
    };
    std::vector<Fault> faults;
    const auto number = [&](int& i, long max, long& out) {
        if (i + 1 >= argc) {
            error = std::string(argv[i]) + " needs a value";
            return false;
        }
        char* end = nullptr;
        out = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || out < 0 || out > max) {
            error = std::string("bad value for ") + argv[i - 1] + ": " + argv[i];
            return false;
        }
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long value = 0;
        if (arg == "--net-label" || arg == "--net-ht" || arg == "--netcfg-port" ||
            arg == "--netcfg-reply-port" || arg == "--htnet-port" || arg == "--net-dhcp-settle") {
            if (!number(i, arg == "--net-dhcp-settle" ? 3600000 : 65535, value))
                return nullptr;
            if (arg == "--net-label")
                labelCount = static_cast<int>(value);
            else if (arg == "--net-ht")
                htCount = static_cast<int>(value);
            else if (arg == "--netcfg-port")
                options.netcfgPort = static_cast<uint16_t>(value);
            else if (arg == "--netcfg-reply-port")
                options.netcfgReplyPort = static_cast<uint16_t>(value);
            else if (arg == "--htnet-port")
                options.htPort = static_cast<uint16_t>(value);
            else
                settleMs = static_cast<int>(value);
        } else if (arg == "--netcfg-reply-mode") {
            const std::string mode = i + 1 < argc ? argv[++i] : "";
            if (mode != "unicast" && mode != "broadcast") {
                error = "--netcfg-reply-mode needs unicast or broadcast";
                return nullptr;
            }
            options.netcfgReplyBroadcast = mode == "broadcast";
        } else if (arg == "--net-bind") {
            if (i + 1 >= argc) {
                error = "--net-bind needs an address";
                return nullptr;
            }
            options.bindAddress = argv[++i];
        } else if (arg == "--net-fault") {
            if (i + 1 >= argc) {
                error = "--net-fault needs a value";
                return nullptr;
            }
            const std::string arg = argv[++i];
            const size_t colon = arg.find(':');
            Fault f{NetFaultFromName(arg.substr(0, colon)), -1};
            if (colon != std::string::npos)
                f.index = std::atoi(arg.c_str() + colon + 1);
            if (f.fault == 0) {
                error = "unknown fault " + arg;
                return nullptr;
            }
            faults.push_back(f);
        }
    }
    if (labelCount == 0 && htCount == 0)
        return nullptr;
    for (int n = 0; n < labelCount; ++n) {
        NetLabelSetup setup = DefaultLabelSetup(n + 1);
        setup.dhcpSettleMs = settleMs;
        for (const Fault& f : faults)
            if (f.index < 0 || f.index == n)
                setup.faults |= f.fault;
        options.label.push_back(setup);
    }
    for (int n = 0; n < htCount; ++n) {
        NetHtSetup setup = DefaultHtSetup(n);
        setup.dhcpSettleMs = settleMs;
        for (const Fault& f : faults)
            if (f.index < 0 || f.index == n)
                setup.faults |= f.fault;
        options.ht.push_back(setup);
    }
    return NetworkPrinters::Start(options, error);
}

} // namespace printune_sim
