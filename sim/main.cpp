// printune-sim: simulated printers behind a TCP listener, pty serial and
// parallel ports and USB printer nodes, all served by one poll() loop.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include "description.h"
#include "endpoint.h"
#include "endpoint_device.h"
#include "event_loop.h"
#include "firmware_handler.h"
#include "label_printer.h"
#include "net_printers.h"
#include "replay.h"
#include "sim_files.h"
#include "sim_options.h"
#include "state_file.h"

using namespace printune_sim;

namespace {
int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    int saved = errno;
    char c = 1;
    [[maybe_unused]] ssize_t n = write(g_signalPipe[1], &c, 1);
    errno = saved;
}

bool InstallSignals() {
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "printune-sim: %s\n", message.c_str());
    return 1;
}

// Writes the description so that a reader never sees half of it.
bool WriteAtomically(const std::string& path, const std::string& text) {
    std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "we");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    ok = std::fclose(f) == 0 && ok;
    return ok && std::rename(tmp.c_str(), path.c_str()) == 0;
}
} // namespace

int main(int argc, char** argv) {
    SimOptions opt;
    std::string error;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), opt, error)) {
        std::fprintf(stderr, "printune-sim: %s\n%s%s", error.c_str(), SimUsage(),
                     NetworkPrintersUsage());
        return 2;
    }
    if (opt.help) {
        std::fputs(SimUsage(), stdout);
        std::fputs(NetworkPrintersUsage(), stdout);
        return 0;
    }
    SetStateDirectory(opt.stateDir);
    SetIgnoredLabelSetting(opt.ignoredSetting);
    SetReceiptStatusFaults(opt.statusFaults);
    SetAfterImage(AfterImage{opt.versionAfterImage, opt.goneAfterImage});
    if (!InstallSignals())
        return Fail("cannot create the signal pipe");

    SimFiles files;
    if (!files.Init(opt.dir, error))
        return Fail(error);
    const std::string root = files.Root();
    const std::string deviceDir = root + "/devices";
    const std::string sysRoot = root + "/sys";
    const std::string devRoot = root + "/dev";
    const std::string captureDir = root + "/capture";
    // The usbmisc class exists (empty without --usb), as with usblp loaded.
    if (!files.MakeDir(deviceDir, error) || !files.MakeDir(sysRoot + "/class/usbmisc", error) ||
        !files.MakeDir(devRoot + "/usb", error) || !files.MakeDir(captureDir, error))
        return Fail(error);

    EventLoop loop;
    std::vector<std::unique_ptr<Endpoint>> endpoints;
    auto capture = [&](const std::string& name) {
        std::string path = captureDir + "/" + name + ".txt";
        files.TrackOutput(path);
        return std::make_unique<Capture>(path);
    };
    // With a replay, each endpoint plays the recording of its own transport.
    std::string replayError;
    auto device = [&](const std::string& model,
                      const std::string& transport) -> std::unique_ptr<SimDevice> {
        if (!opt.replay.empty()) {
            std::vector<ReplayStep> steps;
            if (!LoadReplay(opt.replay, transport, steps, replayError))
                return nullptr;
            return std::make_unique<ReplayDevice>(std::move(steps));
        }
        return WithReplyFaults(MakeEndpointDevice(model, opt.canned), opt.replyFaults);
    };
    if (!opt.replay.empty()) {
        std::vector<ReplayStep> probe;
        if (!LoadReplay(opt.replay, "lan", probe, replayError))
            return Fail(replayError);
    }
    auto modelOr = [&](const std::string& m) { return m.empty() ? opt.model : m; };

    for (size_t i = 0; i < opt.tcp.size(); ++i) {
        const TcpSpec& t = opt.tcp[i];
        std::string name = i == 0 ? "tcp" : "tcp" + std::to_string(i + 1);
        std::string model = modelOr(t.model);
        auto ep = std::make_unique<TcpEndpoint>(name, loop, device(model, "lan"), capture(name),
                                                opt.faults, model);
        if (!ep->Listen(t.address, t.port, error))
            return Fail(error);
        endpoints.push_back(std::move(ep));
    }

    auto addPty = [&](const std::string& name, const std::string& model, Fields fields,
                      const std::string& link) -> PtyEndpoint* {
        const std::string transport = name.rfind("COM", 0) == 0 ? "com" : "lpt";
        auto ep = std::make_unique<PtyEndpoint>(name, loop, device(model, transport), capture(name),
                                                opt.faults, std::move(fields));
        if (!ep->Create(error) || !files.Symlink(ep->SlavePath(), link, error))
            return nullptr;
        ep->AddField("PATH", link);
        PtyEndpoint* raw = ep.get();
        endpoints.push_back(std::move(ep));
        return raw;
    };
    for (const PortSpec& p : opt.com) {
        std::string name = "COM" + std::to_string(p.number);
        std::string model = modelOr(p.model);
        if (!addPty(name, model, {{"KIND", "serial"}, {"NAME", name}, {"MODEL", model}},
                    deviceDir + "/" + name))
            return Fail(error);
    }
    for (const PortSpec& p : opt.lpt) {
        std::string name = "LPT" + std::to_string(p.number);
        std::string model = modelOr(p.model);
        if (!addPty(name, model, {{"KIND", "parallel"}, {"NAME", name}, {"MODEL", model}},
                    deviceDir + "/" + name))
            return Fail(error);
    }
    for (size_t i = 0; i < opt.usb.size(); ++i) {
        const UsbSpec& u = opt.usb[i];
        int minor = static_cast<int>(i);
        std::string name = "usb" + std::to_string(minor);
        std::string model = u.model.empty() ? ModelForUsbProduct(u.pid) : u.model;
        std::string node = devRoot + "/usb/lp" + std::to_string(minor);
        auto ep = std::make_unique<PtyEndpoint>(
            name, loop, device(model, "usb"), capture(name), opt.faults,
            Fields{
                {"KIND", "usb"}, {"VID", u.vid}, {"PID", u.pid}, {"MODEL", model}, {"PATH", node}});
        if (!ep->Create(error) || !PublishUsbPrinter(files, sysRoot, devRoot, minor, u.vid, u.pid,
                                                     model, ep->SlavePath(), error))
            return Fail(error);
        if (opt.downloadRestartMs >= 0) {
            // Restarting into download mode: the printer leaves the usbmisc
            // class for a while and comes back.
            const std::string entry = sysRoot + "/class/usbmisc/lp" + std::to_string(minor);
            const int away = opt.downloadRestartMs;
            ep->OnDeviceEvent([&loop, entry, away](const std::string& event) {
                char target[512];
                const ssize_t n = ::readlink(entry.c_str(), target, sizeof target - 1);
                if (event != DOWNLOAD_MODE_EVENT || n <= 0 || ::unlink(entry.c_str()) != 0)
                    return;
                const std::string back(target, static_cast<size_t>(n));
                loop.After(away, [entry, back] { (void)::symlink(back.c_str(), entry.c_str()); });
            });
        }
        endpoints.push_back(std::move(ep));
    }

    for (size_t i = 0; i < opt.gadget.size(); ++i) {
        const GadgetSpec& g = opt.gadget[i];
        std::string name = "gadget" + std::to_string(i);
        std::string model = modelOr(g.model);
        auto ep = std::make_unique<GadgetEndpoint>(name, loop, device(model, "usb"), capture(name),
                                                   opt.faults, model);
        if (!ep->Open(g.path, opt.gadgetStatus, error))
            return Fail(error);
        endpoints.push_back(std::move(ep));
    }

    // Network printers answering the UDP discovery protocols (--net-*) run on
    // a thread of their own; further services may instead register their
    // sockets with loop.Watch() here.
    auto network = StartNetworkPrinters(argc, argv, error);
    if (!error.empty())
        return Fail(error);
    // A replay plays the recorded UDP requests on the printers' ports, on
    // loopback: the recorded address when it was one, else --net-bind's.
    std::unique_ptr<UdpReplay> udpReplay;
    if (!opt.replay.empty()) {
        std::map<uint16_t, UdpReplayPort> ports;
        if (!LoadUdpReplay(opt.replay, ports, error))
            return Fail(error);
        std::string bindAddress = "127.0.0.2";
        for (int i = 1; i + 1 < argc; ++i)
            if (std::string(argv[i]) == "--net-bind")
                bindAddress = argv[i + 1];
        if (!ports.empty()) {
            udpReplay = std::make_unique<UdpReplay>(loop, std::move(ports), bindAddress);
            if (!udpReplay->Start(error))
                return Fail(error);
        }
    }

    Description d;
    d.Add("PRINTUNE_SIM_PID", std::to_string(getpid()));
    d.Add("PRINTUNE_SIM_DIR", root);
    d.Add("PRINTUNE_DEVICE_DIR", deviceDir);
    d.Add("PRINTUNE_SYSFS_ROOT", sysRoot);
    d.Add("PRINTUNE_DEV_ROOT", devRoot);
    for (const auto& ep : endpoints)
        d.AddEndpoint(ep->Name(), ep->Describe());
    if (network) {
        auto udp = [](const printune::Ipv4Endpoint& e) {
            return Fields{{"KIND", "udp"},
                          {"ADDRESS", printune::FormatIpv4(e.address)},
                          {"PORT", std::to_string(e.port)}};
        };
        d.AddEndpoint("netcfg", udp(network->NetcfgEndpoint()));
        d.AddEndpoint("htnet", udp(network->HtEndpoint()));
    }
    if (udpReplay)
        for (const auto& [address, port] : udpReplay->Endpoints())
            d.AddEndpoint(
                "udp" + std::to_string(port),
                Fields{{"KIND", "udp"}, {"ADDRESS", address}, {"PORT", std::to_string(port)}});
    const std::string text = d.Text();
    if (!opt.describePath.empty() && !WriteAtomically(opt.describePath, text))
        return Fail("cannot write " + opt.describePath);
    if (!opt.quiet) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }

    loop.Watch(g_signalPipe[0], POLLIN, [&](short) { loop.Stop(); });
    loop.AfterEachRound([&] {
        for (auto& ep : endpoints)
            ep->FlushCapture();
    });
    bool ok = loop.Run();

    if (network)
        network->Stop();
    udpReplay.reset();
    endpoints.clear();
    files.RemoveAll();
    if (!opt.describePath.empty())
        unlink(opt.describePath.c_str());
    return ok ? 0 : Fail(std::string("poll failed: ") + strerror(errno));
}
