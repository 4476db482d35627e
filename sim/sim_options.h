#pragma once
// Command line of printune-sim.
#include <string>
#include <vector>

#include "canned.h"
#include "endpoint.h"
#include "receipt_status_handler.h"
#include "reply_faults.h"

namespace printune_sim {

struct TcpSpec {
    std::string address = "127.0.0.1";
    int port = 9100;
    std::string model;
};

struct PortSpec { // COMn or LPTn
    int number = 1;
    std::string model;
};

struct UsbSpec {
    std::string vid; // four upper-case hex digits
    std::string pid;
    std::string model; // empty: from the product ID
};

struct GadgetSpec { // the printer's end of a USB printer gadget
    std::string path;
    std::string model;
};

struct SimOptions {
    std::string dir;          // working directory; empty: a new one under $TMPDIR
    std::string describePath; // also written to stdout unless quiet
    bool quiet = false;
    bool help = false;
    std::string model = "KP-520"; // for TCP, COM and LPT without a model of their own
    std::vector<TcpSpec> tcp;
    std::vector<PortSpec> com;
    std::vector<PortSpec> lpt;
    std::vector<UsbSpec> usb;
    std::vector<GadgetSpec> gadget;
    int gadgetStatus = -1; // status byte reported to the host; -1: the driver's default
    std::vector<CannedRule> canned;
    std::string replay; // a communication trace whose printer side is played
    EndpointFaults faults;
    std::string stateDir;          // keep the printer models' settings there
    ReplyFaults replyFaults;       // applied to the printer models' replies
    std::string versionAfterImage; // a label printer's firmware version after an image
    bool goneAfterImage = false;   // after an image the printer answers nothing
    // USB: after the download-mode command a printer leaves the listing for
    // this long, as a real one restarting; -1: it stays.
    int downloadRestartMs = -1;
    ReceiptStatusFaults statusFaults; // what the receipt printers report
    std::string ignoredSetting;       // label printers leave this setting (its key) as it is
};

// False with a message on a bad command line.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& options, std::string& error);

const char* SimUsage();

} // namespace printune_sim
