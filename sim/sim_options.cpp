#include "sim_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace printune_sim {

namespace {
bool ParseInt(const std::string& text, long long lo, long long hi, long long& value) {
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && p == end && !text.empty() && value >= lo && value <= hi;
}

// "ENDPOINT=MODEL" -> ENDPOINT, MODEL.
std::string SplitModel(const std::string& text, std::string& model) {
    size_t eq = text.find('=');
    if (eq == std::string::npos)
        return text;
    model = text.substr(eq + 1);
    return text.substr(0, eq);
}

bool IsHex4(const std::string& s) {
    return s.size() == 4 &&
           std::all_of(s.begin(), s.end(), [](char c) { return std::isxdigit(c) != 0; });
}

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

const char* SimUsage() {
    return "usage: printune-sim [options]\n"
           "Endpoints (default: --tcp 127.0.0.1:9100):\n"
           "  --tcp [ADDR:]PORT[=MODEL]   TCP listener (port 0: any free port)\n"
           "  --no-tcp                    no TCP listener\n"
           "  --com N[=MODEL]             serial port COMn on a pty\n"
           "  --lpt N[=MODEL]             parallel port LPTn on a pty\n"
           "  --usb VID:PID[=MODEL]       USB printer (model from the PID by default)\n"
           "  --gadget PATH[=MODEL]       printer's end of a USB printer gadget (/dev/g_printer0)\n"
           "  --all                       TCP, COM1, LPT1, USB 7A3E:5C19 and 7A3E:3D71\n"
           "  --model MODEL               model for TCP, COM and LPT (default KP-520;\n"
           "                              'silent' and 'echo' are test devices)\n"
           "Replies and faults:\n"
           "  --reply HEX | REQHEX=HEX    canned reply (after every chunk, or to a request)\n"
           "  --replies FILE              canned replies, one REQHEX = HEX per line\n"
           "  --replay FILE               answer as recorded in a printune-cli --trace file\n"
           "  --reply-delay MS            wait before every reply\n"
           "  --close-after N             TCP: drop the connection after N bytes\n"
           "  --read-limit N              stop reading after N bytes per connection\n"
           "  --vanish-after N            the device goes away after N bytes (pty: master\n"
           "                              closed, link removed; TCP: listener closed)\n"
           "  --read-rate B               take at most B bytes per second (a slow printer)\n"
           "  --slow-read BYTES:MS        read at most BYTES per MS milliseconds\n"
           "  --gadget-status HEX         gadget status byte (38: paper out)\n"
           "  --state-dir DIR             keep the printers' settings there between runs\n"
           "  --reply-fault LIST          silent, delay:MS, short:N, garbage, split:MS\n"
           "  --ignore-setting KEY        label printers take set requests but keep\n"
           "                              this setting (print-speed, ...) as it was\n"
           "                              (comma-separated)\n"
           "  --fw-version-after TEXT     label printers report this firmware version\n"
           "                              after an accepted image\n"
           "  --gone-after-update         after an accepted image a printer never answers\n"
           "  --download-restart MS       USB: gone from the listing for MS after the\n"
           "                              download-mode command\n"
           "  --status-fault LIST         receipt status: near-end, paper-end, cover-open,\n"
           "                              cutter-error, offline (comma-separated)\n"
           "Files:\n"
           "  --dir DIR                   where device links, trees and captures go\n"
           "  --describe FILE             write the endpoint description there too\n"
           "  --quiet                     do not print the description\n";
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& o, std::string& error) {
    bool tcpGiven = false;
    bool noTcp = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string v;
        long long n = 0;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--no-tcp") {
            noTcp = true;
        } else if (a == "--all") {
            o.com.push_back(PortSpec{1, {}});
            o.lpt.push_back(PortSpec{1, {}});
            o.usb.push_back(UsbSpec{"7A3E", "5C19", {}});
            o.usb.push_back(UsbSpec{"7A3E", "3D71", {}});
        } else if (a == "--dir" || a == "--describe" || a == "--model") {
            if (!value(v))
                return false;
            (a == "--dir" ? o.dir : a == "--describe" ? o.describePath : o.model) = v;
        } else if (a == "--tcp") {
            if (!value(v))
                return false;
            TcpSpec t;
            std::string endpoint = SplitModel(v, t.model);
            size_t colon = endpoint.rfind(':');
            if (colon != std::string::npos) {
                t.address = endpoint.substr(0, colon);
                endpoint = endpoint.substr(colon + 1);
            }
            if (!ParseInt(endpoint, 0, 65535, n)) {
                error = "bad --tcp value: " + v;
                return false;
            }
            t.port = static_cast<int>(n);
            o.tcp.push_back(t);
            tcpGiven = true;
        } else if (a == "--com" || a == "--lpt") {
            if (!value(v))
                return false;
            PortSpec p;
            std::string endpoint = SplitModel(v, p.model);
            if (!ParseInt(endpoint, 1, a == "--com" ? 256 : 16, n)) {
                error = "bad " + a + " value: " + v;
                return false;
            }
            p.number = static_cast<int>(n);
            (a == "--com" ? o.com : o.lpt).push_back(p);
        } else if (a == "--usb") {
            if (!value(v))
                return false;
            UsbSpec u;
            std::string endpoint = SplitModel(v, u.model);
            size_t colon = endpoint.find(':');
            if (colon == std::string::npos || !IsHex4(endpoint.substr(0, colon)) ||
                !IsHex4(endpoint.substr(colon + 1))) {
                error = "bad --usb value (want VID:PID, four hex digits each): " + v;
                return false;
            }
            u.vid = Upper(endpoint.substr(0, colon));
            u.pid = Upper(endpoint.substr(colon + 1));
            o.usb.push_back(u);
        } else if (a == "--gadget") {
            if (!value(v))
                return false;
            GadgetSpec g;
            g.path = SplitModel(v, g.model);
            if (g.path.empty()) {
                error = "bad --gadget value: " + v;
                return false;
            }
            o.gadget.push_back(g);
        } else if (a == "--gadget-status") {
            if (!value(v))
                return false;
            unsigned status = 0;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), status, 16);
            if (ec != std::errc() || p != v.data() + v.size() || v.empty() || status > 0xFF) {
                error = "bad --gadget-status value (want a hex byte): " + v;
                return false;
            }
            o.gadgetStatus = static_cast<int>(status);
        } else if (a == "--slow-read") {
            if (!value(v))
                return false;
            size_t colon = v.find(':');
            long long bytes = 0;
            long long ms = 0;
            if (colon == std::string::npos || !ParseInt(v.substr(0, colon), 1, 1 << 20, bytes) ||
                !ParseInt(v.substr(colon + 1), 1, 60000, ms)) {
                error = "bad --slow-read value (want BYTES:MS): " + v;
                return false;
            }
            o.faults.slowReadBytes = static_cast<int>(bytes);
            o.faults.slowReadMs = static_cast<int>(ms);
        } else if (a == "--reply") {
            if (!value(v))
                return false;
            CannedRule rule;
            if (!ParseCannedRule(v, rule, error))
                return false;
            o.canned.push_back(rule);
        } else if (a == "--replay") {
            if (!value(v))
                return false;
            o.replay = v;
        } else if (a == "--replies") {
            if (!value(v) || !LoadCannedRules(v, o.canned, error))
                return false;
        } else if (a == "--download-restart") {
            if (!value(v) || !ParseInt(v, 0, 600000, n)) {
                error = "bad " + a + " value: " + v;
                return false;
            }
            o.downloadRestartMs = static_cast<int>(n);
        } else if (a == "--read-rate") {
            if (!value(v) || !ParseInt(v, 1, 1LL << 40, n)) {
                error = "bad --read-rate value: " + v;
                return false;
            }
            o.faults.readRate = n;
        } else if (a == "--vanish-after") {
            if (!value(v) || !ParseInt(v, 0, 1LL << 40, n)) {
                error = "bad --vanish-after value: " + v;
                return false;
            }
            o.faults.vanishAfter = n;
        } else if (a == "--reply-delay" || a == "--close-after" || a == "--read-limit") {
            if (!value(v))
                return false;
            if (!ParseInt(v, 0, a == "--reply-delay" ? 600000 : (1LL << 40), n)) {
                error = "bad " + a + " value: " + v;
                return false;
            }
            if (a == "--reply-delay")
                o.faults.replyDelayMs = static_cast<int>(n);
            else
                (a == "--close-after" ? o.faults.closeAfter : o.faults.readLimit) = n;
        } else if (a == "--state-dir") {
            if (!value(o.stateDir))
                return false;
        } else if (a == "--status-fault") {
            if (!value(v) || !ParseReceiptStatusFaults(v, o.statusFaults, error))
                return false;
        } else if (a == "--fw-version-after") {
            if (!value(o.versionAfterImage))
                return false;
        } else if (a == "--gone-after-update") {
            o.goneAfterImage = true;
        } else if (a == "--ignore-setting") {
            if (!value(o.ignoredSetting))
                return false;
        } else if (a == "--reply-fault") {
            if (!value(v) || !ParseReplyFaults(v, o.replyFaults, error))
                return false;
        } else if (a.rfind("--net", 0) == 0 || a.rfind("--htnet", 0) == 0) {
            ++i; // the network printers' options, each with one value
        } else {
            error = "unknown option: " + a;
            return false;
        }
    }
    if (noTcp)
        o.tcp.clear();
    else if (!tcpGiven)
        o.tcp.push_back(TcpSpec{});
    return true;
}

} // namespace printune_sim
