#include "network/htnet_client.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace printune {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds RECEIVER_READY_WAIT{3000};

} // namespace

HtNetOptions HtNetOptions::FromEnvironment() {
    HtNetOptions result;
    RouteFromEnvironment("PRINTUNE_HTNET", result.destination, result.bind, result.everyInterface);
    return result;
}

HtNetClient::HtNetClient(HtNetOptions options) : options_(options) {}

HtNetClient::~HtNetClient() {
    StopSearch();
    socket_.Close();
}

void HtNetClient::StopSearch() {
    if (receiver_.joinable()) {
        cancel_.Signal();
        receiver_.join();
        cancel_.Clear();
    }
}

void HtNetClient::Cancel() {
    cancel_.Signal();
}

bool HtNetClient::TryBegin() {
    std::lock_guard<std::mutex> lock(flagMutex_);
    if (!idle_)
        return false;
    idle_ = false;
    cancel_.Clear(); // a cancel is for the operation it interrupted
    return true;
}

void HtNetClient::End() {
    std::lock_guard<std::mutex> lock(flagMutex_);
    idle_ = true;
    idleChanged_.notify_all();
}

bool HtNetClient::IsIdle() const {
    std::lock_guard<std::mutex> lock(flagMutex_);
    return idle_;
}

bool HtNetClient::WaitIdle(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(flagMutex_);
    return idleChanged_.wait_for(lock, timeout, [&] { return idle_; });
}

bool HtNetClient::ConfigurationRead() const {
    std::lock_guard<std::mutex> lock(flagMutex_);
    return configurationRead_;
}

HtNetConfig HtNetClient::Configuration() const {
    std::lock_guard<std::mutex> lock(flagMutex_);
    return config_;
}

void HtNetClient::SetConfiguration(const HtNetConfig& config, bool configurationRead) {
    std::lock_guard<std::mutex> lock(flagMutex_);
    config_ = config;
    configurationRead_ = configurationRead;
}

int HtNetClient::OpenSocket() {
    // The previous search's receiver has ended (the client is idle); join
    // it before its socket goes.
    StopSearch();
    socket_.Close();
    if (int error = socket_.Open(true); error != 0)
        return error;
    if (int error = socket_.Bind(options_.bind); error != 0) {
        socket_.Close();
        return error;
    }
    return 0;
}

bool HtNetClient::Send(const std::vector<uint8_t>& request, bool search) {
    if (!options_.sweep.empty())
        return socket_.SendToEach(request.data(), request.size(), options_.sweep) > 0;
    return socket_.SendBroadcast(request.data(), request.size(), options_.destination,
                                 options_.everyInterface, search && options_.directed) > 0;
}

HtResult HtNetClient::Search() {
    if (!TryBegin())
        return HtResult::Busy;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queue_.clear();
        searching_ = true;
    }
    if (OpenSocket() != 0) {
        {
            std::lock_guard<std::mutex> lock(queueMutex_);
            searching_ = false;
        }
        End();
        return HtResult::Failed;
    }
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        receiverReady_ = false;
    }
    receiver_ = std::thread([this] { SearchLoop(); });
    {
        std::unique_lock<std::mutex> lock(readyMutex_);
        if (!readyChanged_.wait_for(lock, RECEIVER_READY_WAIT, [&] { return receiverReady_; })) {
            lock.unlock();
            StopSearch();
            End();
            return HtResult::Failed;
        }
    }
    return HtResult::Done;
}

void HtNetClient::SearchLoop() {
    {
        std::lock_guard<std::mutex> lock(readyMutex_);
        receiverReady_ = true;
        readyChanged_.notify_all();
    }
    // The request goes out from here, after the receiver is ready: this
    // thread alone uses the socket until the search ends, and the flag is
    // cleared before any other operation can start.
    Send(HtBuildSearch(), true);
    {
        std::lock_guard<std::mutex> lock(flagMutex_);
        configurationRead_ = false;
    }
    for (;;) {
        const int ready = socket_.WaitReadable(Clock::now() + options_.searchSilence, &cancel_);
        if (ready != 1)
            break; // silence, stop or error: the search ends
        HtDeviceRecord record;
        const long length = socket_.ReceiveNow(record.bytes.data(), record.bytes.size());
        if (length < 0)
            break; // a receive error
        // A longer datagram is skipped, not an end: one faulty device must
        // not hide the printers that answer after it.
        // Shorter datagrams are dropped: pieces from different printers
        // could otherwise be joined into one false record.
        if (static_cast<size_t>(length) == HT_RECORD_SIZE) {
            std::lock_guard<std::mutex> lock(queueMutex_);
            queue_.push_back(record);
            queueChanged_.notify_all();
        }
    }
    socket_.Close(); // no descriptor outlives the operation
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        searching_ = false;
        queueChanged_.notify_all();
    }
    End();
}

bool HtNetClient::PopAnnouncement(HtDeviceRecord& record) {
    std::lock_guard<std::mutex> lock(queueMutex_);
    if (queue_.empty())
        return false;
    record = queue_.front();
    queue_.pop_front();
    return true;
}

bool HtNetClient::WaitAnnouncement(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(queueMutex_);
    queueChanged_.wait_for(lock, timeout, [&] { return !queue_.empty() || !searching_; });
    return !queue_.empty();
}

HtResult HtNetClient::Query(const HtDeviceRecord& record) {
    if (!TryBegin())
        return HtResult::Busy;
    HtResult result = HtResult::NoReply;
    if (OpenSocket() != 0) {
        result = HtResult::Failed;
    } else if (!Send(HtBuildQuery(record.Mac()))) {
        result = HtResult::SendFailed;
    } else {
        // Everything that arrives within the reply wait, up to 256 bytes;
        // a full image ends the wait early.
        std::array<uint8_t, HT_CONFIG_SIZE> reply{};
        size_t received = 0;
        const auto deadline = Clock::now() + options_.replyWait;
        uint8_t datagram[2048];
        while (received < HT_CONFIG_SIZE && socket_.WaitReadable(deadline, &cancel_) == 1) {
            const long length = socket_.ReceiveNow(datagram, sizeof datagram);
            if (length <= 0)
                continue;
            const size_t take =
                std::min({static_cast<size_t>(length), sizeof datagram, HT_CONFIG_SIZE - received});
            std::memcpy(reply.data() + received, datagram, take);
            received += take;
        }
        std::lock_guard<std::mutex> lock(flagMutex_);
        if (received >= HT_CONFIG_MIN_REPLY) {
            const size_t blocks = received == HT_CONFIG_SIZE ? HT_CONFIG_SIZE : HT_CONFIG_MIN_REPLY;
            std::memcpy(config_.bytes.data(), reply.data(), blocks);
            result = HtResult::Done;
        }
    }
    {
        std::lock_guard<std::mutex> lock(flagMutex_);
        configurationRead_ = result == HtResult::Done;
    }
    socket_.Close();
    End();
    return result;
}

HtResult HtNetClient::AwaitAck(uint8_t function) {
    const auto expected = HtAck(function);
    const auto deadline = Clock::now() + options_.replyWait;
    uint8_t datagram[64];
    while (socket_.WaitReadable(deadline, &cancel_) == 1) {
        const long length = socket_.ReceiveNow(datagram, sizeof datagram);
        if (length == static_cast<long>(HT_ACK_SIZE) &&
            std::memcmp(datagram, expected.data(), HT_ACK_SIZE) == 0)
            return HtResult::Done;
    }
    return HtResult::NoReply;
}

HtResult HtNetClient::SetBlock(int block) {
    if (!TryBegin())
        return HtResult::Busy;
    HtResult result;
    HtNetConfig config;
    bool allowed;
    {
        std::lock_guard<std::mutex> lock(flagMutex_);
        allowed = configurationRead_;
        config = config_;
    }
    const std::vector<uint8_t> request = HtBuildSetBlock(block, config);
    if (!allowed || request.empty())
        result = HtResult::Refused;
    else if (OpenSocket() != 0)
        result = HtResult::Failed;
    else if (!Send(request))
        result = HtResult::SendFailed;
    else
        result = AwaitAck(static_cast<uint8_t>(HT_FN_BLOCK1 + block - 1));
    socket_.Close();
    End();
    return result;
}

HtResult HtNetClient::Apply(const HtDeviceRecord& record) {
    if (!TryBegin())
        return HtResult::Busy;
    HtResult result;
    if (!ConfigurationRead())
        result = HtResult::Refused;
    else if (OpenSocket() != 0)
        result = HtResult::Failed;
    else if (!Send(HtBuildApply(record.Mac())))
        result = HtResult::SendFailed;
    else
        result = AwaitAck(HT_FN_APPLY);
    socket_.Close();
    End();
    return result;
}

} // namespace printune
