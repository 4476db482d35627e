#include "sim_printer.h"

#include <cstdio>

namespace printune_sim {

void SimPrinter::AddHandler(std::shared_ptr<CommandHandler> handler) {
    handlers_.push_back(std::move(handler));
}

void SimPrinter::OnBytes(const uint8_t* data, size_t length, Reply& reply) {
    pending_.insert(pending_.end(), data, data + length);
    size_t pos = 0;
    while (pos < pending_.size()) {
        const uint8_t* head = pending_.data() + pos;
        size_t left = pending_.size() - pos;
        bool wantsMore = false;
        bool handled = false;
        for (auto& h : handlers_) {
            size_t consumed = 0;
            CommandHandler::Result r = h->Handle(head, left, consumed, reply);
            if (r == CommandHandler::Result::Handled && consumed > 0) {
                pos += consumed < left ? consumed : left;
                handled = true;
                break;
            }
            if (r == CommandHandler::Result::NeedMore)
                wantsMore = true;
        }
        if (handled)
            continue;
        if (wantsMore && left < MAX_PENDING)
            break;
        plain_.push_back(*head);
        ++pos;
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(pos));
}

void SimPrinter::OnDisconnect() {
    pending_.clear();
    for (auto& h : handlers_)
        h->Reset();
}

std::vector<std::string> SimPrinter::TakeEvents() {
    std::vector<std::string> all;
    all.swap(events_);
    for (auto& h : handlers_) {
        std::vector<std::string> e = h->TakeEvents();
        all.insert(all.end(), e.begin(), e.end());
    }
    return all;
}

} // namespace printune_sim
