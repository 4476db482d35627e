// The tool's settings tables against the simulated printers' own layout,
// which sim/settings_layout.h writes out apart from the tool's: what the
// simulator holds must come out of "get" under each setting's name, and what
// "set" is given must land in the simulator's settings. In every round each
// setting holds a value that differs, in at least one round, from what any
// other reply byte carries, so a setting read from or written to a wrong
// place fails here (see settings_layout_catches_a_wrong_offset).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>

#include "cli_fixture.h"
#include "settings_layout.h"

using namespace printune_test;
using printune_sim::SimSetting;

namespace {

using RawValues = std::map<std::string, long>;

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        out += buf;
    }
    return out;
}

// The simulator's settings set directly: one frame of raw set commands laid
// out with its own table, and the serial-line byte.
template <size_t N>
std::string RawSetFrame(const SimSetting (&layout)[N], const RawValues& raw, uint8_t serial) {
    std::vector<uint8_t> frame{0x1B, 0x0D, 0x53};
    for (const SimSetting& s : layout) {
        const auto v = static_cast<uint16_t>(raw.at(s.key));
        frame.insert(frame.end(), {0x1B, s.command, static_cast<uint8_t>(v)});
        if (s.size == 2)
            frame.push_back(static_cast<uint8_t>(v >> 8));
    }
    frame.insert(frame.end(), {0x1B, printune_sim::SIM_CMD_SERIAL_CONFIG, serial});
    frame.insert(frame.end(), {0x1B, 0x10, 0x45});
    return Hex(frame);
}

// A member's text; "(null)" or "(missing)" otherwise.
std::string TextAt(const JsonDoc& object, const std::string& key) {
    const auto it = object.find(key);
    if (it == object.end())
        return "(missing)";
    return it->is_string() ? it->get<std::string>() : "(" + std::string(it->type_name()) + ")";
}

struct Shown {
    const char* key;
    std::string text;
};

// What the simulator is given in one round, and what "get" must show.
struct Round {
    RawValues raw;
    uint8_t serial;
    std::vector<Shown> shown;
    // baudrate, paritySetup, dataBit, stopBit[, flowControl]
    std::vector<std::string> serialLine;
};

// NAME=VALUE arguments of a set command, each with the raw value it must
// leave in the simulator.
using Assignments = std::vector<std::pair<std::string, long>>;

// The state file of a simulated printer: key=value lines.
RawValues ReadState(const std::string& path) {
    RawValues values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (const auto eq = line.find('='); eq != std::string::npos)
            values[line.substr(0, eq)] = std::stol(line.substr(eq + 1));
    return values;
}

class SettingsLayoutCli : public CliSim {
protected:
    void StartModel(const std::string& model) {
        char dir[] = "/tmp/printune-layout-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        stateDir_ = dir;
        model_ = model;
        Start({"--tcp", "0", "--model", model, "--state-dir", stateDir_});
    }
    void TearDown() override {
        sim_.reset();
        if (!stateDir_.empty())
            std::filesystem::remove_all(stateDir_);
    }
    std::vector<std::string> Args(std::vector<std::string> tail) const {
        std::vector<std::string> args{Lan(), "--model", model_};
        args.insert(args.end(), tail.begin(), tail.end());
        return args;
    }
    // Sets the simulator's values, then reads them with the command line.
    template <size_t N>
    void ExpectGetShows(const std::string& group, const SimSetting (&layout)[N], const Round& round,
                        int r) {
        EXPECT_EQ(Run(Args({"send", "hex", RawSetFrame(layout, round.raw, round.serial)})).exitCode,
                  0);
        const CliResult result = Run(Args({"--json", group, "get", "--no-save"}));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const auto doc = JsonDoc::parse(result.out, nullptr, false);
        ASSERT_TRUE(doc.is_object() && doc.contains("settings") && doc.contains("serialLine"))
            << "round " << r;
        for (const Shown& s : round.shown)
            EXPECT_EQ(TextAt(doc["settings"], s.key), s.text)
                << s.key << " round " << r << ": decoded from the wrong place";
        static const char* const kLine[] = {"baudrate", "paritySetup", "dataBit", "stopBit",
                                            "flowControl"};
        std::vector<std::string> line;
        for (size_t i = 0; i < round.serialLine.size(); ++i)
            line.push_back(TextAt(doc["serialLine"], kLine[i]));
        EXPECT_EQ(line, round.serialLine) << "serial line round " << r;
    }
    // Runs "<group> set" with the assignments; returns the simulator's
    // settings once they hold the raw values (or after a generous wait).
    RawValues ExpectSetLands(const std::string& group, const Assignments& set, int r) {
        std::vector<std::string> args{group, "set"};
        RawValues expected;
        for (const auto& [assignment, raw] : set) {
            args.push_back(assignment);
            expected[assignment.substr(0, assignment.find('='))] = raw;
        }
        const CliResult result = Run(Args(args));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const RawValues state = StateAfterSet(expected);
        for (const auto& [key, raw] : expected)
            EXPECT_EQ(state.count(key) ? state.at(key) : -1, raw)
                << key << " round " << r << ": written to the wrong place";
        return state;
    }
    // Waits until the simulator's state file holds what a set should leave.
    RawValues StateAfterSet(const RawValues& expected) const {
        const std::string path = stateDir_ + "/" + model_ + ".state";
        RawValues state;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        do {
            state = ReadState(path);
            bool all = true;
            for (const auto& [key, value] : expected)
                all = all && state.count(key) && state.at(key) == value;
            if (all)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        } while (std::chrono::steady_clock::now() < deadline);
        return state;
    }

    std::string stateDir_;
    std::string model_;
};

// Reply values by round: two-valued settings take the bits of a code of
// their own, the others values no neighbour takes.
Round MakeLabelRound(int r) {
    struct Binary {
        const char* key;
        int code;
        const char* off;
        const char* on;
    };
    static const Binary kBinary[] = {
        {"page-mode", 1, "Off", "On"},
        {"print-media", 2, "Label Paper", "Continuous Paper"},
        {"peeler", 3, "Off", "On"},
        {"print-method", 4, "Thermal Transfer", "Direct Thermal"},
        {"paper-out-detection", 5, "Off", "On"},
        {"printer-language", 6, "English", "Chinese"},
        {"auto-calibrate", 7, "Off", "On"},
        {"top-form-sensing", 8, "Off", "On"},
        {"cut-mode", 9, "Off", "On"},
        {"position-detection", 10, "Off", "On"},
        {"paper-sensor", 11, "Reflective sensor", "Gap sensor"},
    };
    Round round;
    for (const Binary& b : kBinary) {
        const int bit = (b.code >> r) & 1;
        round.raw[b.key] = bit;
        round.shown.push_back({b.key, bit ? b.on : b.off});
    }
    static const char* const kEmulation[] = {"TSPL", "EPL", "TSPL", "EPL"};
    static const long kLeft[] = {80, 160, 7, 90};
    static const char* const kLeftShown[] = {"80", "-80", "7", "-10"};
    static const long kWidth[] = {104, 72, 106, 50};
    static const uint8_t kSerial[] = {0x93, 0x27, 0x4C, 0x00};
    static const std::vector<std::string> kSerialLine[] = {{"9600", "Odd", "7", "1"},
                                                           {"115200", "Even", "8", "1"},
                                                           {"19200", "None", "8", "2"},
                                                           {"1200", "None", "8", "1"}};
    round.raw["print-density"] = 5 - r;
    round.shown.push_back({"print-density", std::to_string(6 - r)});
    round.raw["emulation"] = r % 2 ? 2 : 3;
    round.shown.push_back({"emulation", kEmulation[r]});
    round.raw["print-speed"] = 4 - r;
    round.shown.push_back({"print-speed", std::to_string(4 - r)});
    round.raw["home-offset"] = static_cast<uint16_t>(-(40 + 8 * r));
    round.shown.push_back({"home-offset", "-" + std::to_string(5 + r) + ".00"});
    round.raw["cut-offset"] = 200 + 16 * r;
    round.shown.push_back({"cut-offset", std::to_string(25 + 2 * r) + ".00"});
    round.raw["black-mark-ad"] = 0x1234 + 0x0101 * r;
    round.shown.push_back({"black-mark-ad", std::to_string(0x1234 + 0x0101 * r)});
    round.raw["left-offset"] = kLeft[r];
    round.shown.push_back({"left-offset", kLeftShown[r]});
    round.raw["print-width"] = kWidth[r];
    round.shown.push_back({"print-width", std::to_string(kWidth[r])});
    round.serial = kSerial[r];
    round.serialLine = kSerialLine[r];
    return round;
}

} // namespace

TEST_F(SettingsLayoutCli, LabelGetShowsWhatTheSimulatedPrinterHolds) {
    StartModel("KP-520");
    for (int r = 0; r < 4; ++r)
        ExpectGetShows("label", printune_sim::LABEL_LAYOUT, MakeLabelRound(r), r);
}

TEST_F(SettingsLayoutCli, LabelSetLandsInTheSimulatedPrintersSettings) {
    StartModel("KP-520");
    // Two rounds in which every setting changes.
    const std::vector<Assignments> rounds = {
        {{"page-mode=On", 1},
         {"print-media=Continuous Paper", 1},
         {"peeler=Off", 0},
         {"print-method=Thermal Transfer", 0},
         {"paper-out-detection=On", 1},
         {"print-density=6", 5},
         {"printer-language=Chinese", 1},
         {"emulation=EPL", 2},
         {"auto-calibrate=Off", 0},
         {"print-speed=4", 4},
         {"top-form-sensing=On", 1},
         {"home-offset=12.5", 100},
         {"cut-offset=-0.3", 0xFFFE},
         {"cut-mode=On", 1},
         {"position-detection=Off", 0},
         {"black-mark-ad=4000", 4000},
         {"paper-sensor=Reflective sensor", 0},
         {"left-offset=-80", 160}},
        {{"page-mode=Off", 0},
         {"print-media=Label Paper", 0},
         {"peeler=On", 1},
         {"print-method=Direct Thermal", 1},
         {"paper-out-detection=Off", 0},
         {"print-density=1", 0},
         {"printer-language=English", 0},
         {"emulation=ZPL", 1},
         {"auto-calibrate=On", 1},
         {"print-speed=1", 1},
         {"top-form-sensing=Off", 0},
         {"home-offset=-4095", 0x8008},
         {"cut-offset=0.06", 0},
         {"cut-mode=Off", 0},
         {"position-detection=On", 1},
         {"black-mark-ad=1234", 1234},
         {"paper-sensor=Gap sensor", 1},
         {"left-offset=80", 80}},
    };
    for (size_t r = 0; r < rounds.size(); ++r) {
        const RawValues state = ExpectSetLands("label", rounds[r], static_cast<int>(r));
        EXPECT_EQ(state.count("print-width") ? state.at("print-width") : -1, 104)
            << "a setting the command never sends";
    }
}

TEST_F(SettingsLayoutCli, ReceiptGetAndSetMatchTheSimulatedPrinter) {
    StartModel("HT-750");
    // Two-valued settings carry the bits of the codes 1 to 5.
    const Round rounds[] = {
        {{{"printer-language", 1},
          {"cutter-switch", 0},
          {"printing-direction", 1},
          {"paper-type", 0},
          {"black-mark", 1},
          {"paper-wide", 2},
          {"mark-to-home", 144},
          {"mark-to-cutter", static_cast<uint16_t>(-144)}},
         0x18,
         {{"printer-language", "Chinese"},
          {"cutter-switch", "Off"},
          {"printing-direction", "Bidirectional"},
          {"paper-type", "Single"},
          {"black-mark", "On"},
          {"paper-wide", "57mm"},
          {"mark-to-home", "25.4"},
          {"mark-to-cutter", "-25.4"}},
         {"1200", "Even", "8", "1", "Xon/Xoff"}},
        {{{"printer-language", 0},
          {"cutter-switch", 1},
          {"printing-direction", 1},
          {"paper-type", 0},
          {"black-mark", 0},
          {"paper-wide", 1},
          {"mark-to-home", static_cast<uint16_t>(-72)},
          {"mark-to-cutter", 720}},
         0xE3,
         {{"printer-language", "English"},
          {"cutter-switch", "On"},
          {"printing-direction", "Bidirectional"},
          {"paper-type", "Single"},
          {"black-mark", "Off"},
          {"paper-wide", "69mm"},
          {"mark-to-home", "-12.7"},
          {"mark-to-cutter", "127.0"}},
         {"9600", "Odd", "7", "2", "DTR"}},
        {{{"printer-language", 0},
          {"cutter-switch", 0},
          {"printing-direction", 0},
          {"paper-type", 1},
          {"black-mark", 1},
          {"paper-wide", 2},
          {"mark-to-home", 288},
          {"mark-to-cutter", 432}},
         0x00,
         {{"printer-language", "English"},
          {"cutter-switch", "Off"},
          {"printing-direction", "Unidirectional"},
          {"paper-type", "Multipart"},
          {"black-mark", "On"},
          {"paper-wide", "57mm"},
          {"mark-to-home", "50.8"},
          {"mark-to-cutter", "76.2"}},
         {"1200", "None", "8", "1", "DTR"}},
    };
    for (size_t r = 0; r < std::size(rounds); ++r)
        ExpectGetShows("receipt", printune_sim::RECEIPT_LAYOUT, rounds[r], static_cast<int>(r));
    ExpectSetLands("receipt",
                   {{"printer-language=Chinese", 1},
                    {"cutter-switch=On", 1},
                    {"paper-wide=76mm", 0},
                    {"printing-direction=Unidirectional", 0},
                    {"paper-type=Multipart", 1},
                    {"black-mark=Off", 0},
                    {"mark-to-home=1", 6},
                    {"mark-to-cutter=5766", 32689}},
                   0);
}
