#pragma once
// A simulator and the command line pointed at it: the command line runs in
// the simulator's temporary directory (where its printune.ini lives) with
// the simulator's device environment.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "json_doc.h"
#include "support/sim_process.h"

namespace printune_test {

class CliSim : public ::testing::Test {
protected:
    // Starts the simulator with the given arguments (TCP on a free port
    // unless they say otherwise).
    void Start(std::vector<std::string> args) {
        args.push_back("--quiet");
        sim_ = std::make_unique<SimProcess>(std::move(args));
        options_.cwd = sim_->Dir();
        for (const auto& [k, v] : sim_->Environment())
            options_.env[k] = v;
    }

    std::string Lan() const { return "--port=lan:127.0.0.1:" + std::to_string(sim_->TcpPort()); }

    CliResult Run(const std::vector<std::string>& args) const { return RunCli(args, options_); }
    CliResult Run(const std::vector<std::string>& args, const CliOptions& extra) const {
        CliOptions o = options_;
        for (const auto& [k, v] : extra.env)
            o.env[k] = v;
        o.input = extra.input;
        o.interruptAfterMs = extra.interruptAfterMs;
        o.interruptWhen = extra.interruptWhen;
        return RunCli(args, o);
    }

    static JsonDoc Json(const CliResult& r) {
        JsonDoc v = ParseDocument(r.out);
        EXPECT_FALSE(v.is_discarded()) << r.out;
        return v;
    }

    // What the endpoint received, once at least `count` bytes are in its
    // capture (the simulator writes it a moment after it reads them).
    std::vector<uint8_t> Rx(const std::string& endpoint, size_t count) const {
        sim_->WaitReceived(endpoint, count, 5000);
        return sim_->Received(endpoint);
    }
    std::vector<uint8_t> Rx(const std::string& endpoint,
                            const std::vector<uint8_t>& expected) const {
        return Rx(endpoint, expected.size());
    }
    // Nothing arrives within a short while.
    bool NothingReceived(const std::string& endpoint) const {
        return !sim_->WaitReceived(endpoint, 1, 300);
    }

    std::string ReadFile(const std::string& name) const {
        std::ifstream in(sim_->Dir() + "/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteFile(const std::string& name, const std::string& text) const {
        std::ofstream(sim_->Dir() + "/" + name, std::ios::binary) << text;
    }

    std::unique_ptr<SimProcess> sim_;
    CliOptions options_;
};

} // namespace printune_test
