#pragma once
// What the profile commands do with a printer: read its settings as a
// profile, compare them with a file's, and apply a file (send only what
// differs, in one set request, then read back and check what took). Each
// call talks to one printer and blocks; callers run several at once over
// the network, so nothing here touches the process-wide settings.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "port/exchange.h"
#include "port/port_settings.h"
#include "settings/settings_profile.h"

namespace printune {

class CPrinterPort;

// Which printer: port type and device names from 'copy' (its serial texts
// take what the printer reports), a network printer at 'address'
// ("IP" or "IP:PORT"; empty: the current settings' address and port).
struct ProfileTarget {
    PortSettings copy;
    std::string address;
};

struct ProfileReadResult {
    ExchangeResult exchange;
    bool decoded = false; // the exchange ended in a reply
    SettingsProfile profile;
};

// Reads the printer's settings of the family as a profile named after the
// copy's model.
ProfileReadResult ReadPrinterProfile(CPrinterPort& port, ProfileTarget& target,
                                     ProfileFamily family, const std::string& toolVersion,
                                     std::stop_token stop = {});

struct ProfileDifference {
    int setting = -1;
    std::string wanted; // the profile's value text
    std::string actual; // the printer's ("" when it has none)
};

// The settings of 'wanted' whose value on the printer differs, ascending.
// Values compare by the bytes they encode to ("1.5" equals "1.50"); read-only
// settings and those the printer's model lacks are left out.
std::vector<ProfileDifference> DiffProfiles(const SettingsProfile& wanted,
                                            const SettingsProfile& printer);

// The one set request carrying the given settings of the profile.
Bytes BuildProfileRequest(const SettingsProfile& profile, const std::vector<int>& settings);

enum class ApplyOutcome {
    Equal,       // nothing differed; nothing was sent
    Verified,    // sent, and every sent setting read back as sent
    NotVerified, // sent, but 'notTaken' read back otherwise
    WouldSend,   // dry run: 'request' is what would have gone out
    Unreachable, // 'failure' says which exchange failed and how
    Stopped,
};

enum class ApplyStep { Reading, Sending, Verifying };
using ApplyProgress = std::function<void(ApplyStep)>;

struct ProfileApplyResult {
    ApplyOutcome outcome = ApplyOutcome::Unreachable;
    ExchangeResult failure;                     // for Unreachable
    std::vector<ProfileDifference> differences; // before the send
    Bytes request;                              // sent (or would be)
    std::vector<ProfileDifference> notTaken;    // after the read-back
};

struct ApplyOptions {
    bool dryRun = false;
    std::string toolVersion;
    int settleMs = -1; // before the read-back; -1: VERIFY_SETTLE_MS
};

// Reads the printer, sends the differing settings in one request (nothing
// when none differ, nothing at all on a dry run), pauses, reads back and
// compares.
ProfileApplyResult ApplyProfile(CPrinterPort& port, ProfileTarget& target,
                                const SettingsProfile& profile, const ApplyOptions& options,
                                std::stop_token stop = {}, const ApplyProgress& progress = {});

// Applies the profile to every target: network printers up to 'parallel'
// at once (each on its own socket; nothing shared between them), the
// others one after another. A failing printer does not stop the rest.
// Results are in the order of the targets.
std::vector<ProfileApplyResult> ApplyProfileToTargets(std::vector<ProfileTarget>& targets,
                                                      const SettingsProfile& profile,
                                                      const ApplyOptions& options, int parallel,
                                                      std::stop_token stop = {});

} // namespace printune
