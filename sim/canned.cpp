#include "canned.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace printune_sim {

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}
} // namespace

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>& out) {
    out.clear();
    int high = -1;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == ',' || c == ':')
            continue;
        if (c == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            high < 0) {
            ++i;
            continue;
        }
        int v = HexValue(c);
        if (v < 0)
            return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0;
}

bool ParseCannedRule(const std::string& text, CannedRule& rule, std::string& error) {
    rule = CannedRule{};
    size_t eq = text.find('=');
    std::string req = eq == std::string::npos ? std::string() : text.substr(0, eq);
    std::string rep = eq == std::string::npos ? text : text.substr(eq + 1);
    if (!ParseHexBytes(req, rule.request) || !ParseHexBytes(rep, rule.reply)) {
        error = "not hexadecimal bytes: " + text;
        return false;
    }
    if (eq != std::string::npos && rule.request.empty()) {
        error = "empty request before '=': " + text;
        return false;
    }
    return true;
}

bool LoadCannedRules(const std::string& path, std::vector<CannedRule>& rules, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line.substr(0, line.find('#')));
        if (line.empty())
            continue;
        CannedRule rule;
        if (!ParseCannedRule(line, rule, error)) {
            error = path + ":" + std::to_string(number) + ": " + error;
            return false;
        }
        rules.push_back(std::move(rule));
    }
    return true;
}

CannedDevice::CannedDevice(std::vector<CannedRule> rules, std::unique_ptr<SimDevice> inner)
    : rules_(std::move(rules)), inner_(std::move(inner)) {
    for (const CannedRule& r : rules_)
        longest_ = std::max(longest_, r.request.size());
}

void CannedDevice::OnBytes(const uint8_t* data, size_t length, Reply& reply) {
    bool answered = false;
    for (const CannedRule& r : rules_) {
        if (r.request.empty()) {
            reply.bytes.insert(reply.bytes.end(), r.reply.begin(), r.reply.end());
            answered = true;
        }
    }
    if (longest_ > 0) {
        window_.insert(window_.end(), data, data + length);
        // Every complete request in arrival order; each answered once.
        for (;;) {
            size_t bestEnd = 0;
            const CannedRule* best = nullptr;
            for (const CannedRule& r : rules_) {
                if (r.request.empty())
                    continue;
                auto it =
                    std::search(window_.begin(), window_.end(), r.request.begin(), r.request.end());
                if (it == window_.end())
                    continue;
                size_t end = static_cast<size_t>(it - window_.begin()) + r.request.size();
                if (!best || end < bestEnd) {
                    best = &r;
                    bestEnd = end;
                }
            }
            if (!best)
                break;
            reply.bytes.insert(reply.bytes.end(), best->reply.begin(), best->reply.end());
            window_.erase(window_.begin(), window_.begin() + static_cast<long>(bestEnd));
            answered = true;
        }
        if (window_.size() > longest_)
            window_.erase(window_.begin(), window_.end() - static_cast<long>(longest_ - 1));
    }
    if (!answered && inner_)
        inner_->OnBytes(data, length, reply);
}

void CannedDevice::OnDisconnect() {
    window_.clear();
    if (inner_)
        inner_->OnDisconnect();
}

std::vector<std::string> CannedDevice::TakeEvents() {
    return inner_ ? inner_->TakeEvents() : std::vector<std::string>{};
}

} // namespace printune_sim
