#include "network/netcfg.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/language.h"

namespace printune {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds HEADER_WAIT_BUDGET{100};
constexpr int RECEIVER_START_POLLS = 300;
constexpr milliseconds RECEIVER_START_POLL{10};
constexpr milliseconds ACTION_LOCK_WAIT{100};
constexpr milliseconds CONSUMER_PERIOD{100};

void CopyCut(char* field, size_t size, std::string_view text, size_t maxChars) {
    const size_t n = std::min({text.size(), size - 1, maxChars});
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), n);
}

} // namespace

NetCfgAddresses NetCfgAddresses::FromEnvironment() {
    NetCfgAddresses result;
    RouteFromEnvironment("PRINTUNE_NETCFG", result.destination, result.bind, result.everyInterface);
    return result;
}

// ---------------------------------------------------------------- ring

uint32_t NetCfgRing::Put(const uint8_t* data, uint32_t count) {
    if (data == nullptr)
        return 0;
    uint32_t write = write_.load(std::memory_order_relaxed);
    const uint32_t read = read_.load(std::memory_order_acquire);
    uint32_t stored = 0;
    while (stored < count) {
        const uint32_t next = (write + 1) % NETCFG_RING_SIZE;
        if (next == read)
            break; // full: the rest of the datagram is dropped
        bytes_[write] = data[stored++];
        write = next;
    }
    if (stored > 0) {
        write_.store(write, std::memory_order_release);
        std::lock_guard<std::mutex> lock(waitMutex_);
        dataArrived_.notify_all();
    }
    return stored;
}

bool NetCfgRing::Get(uint8_t& byte) {
    const uint32_t read = read_.load(std::memory_order_relaxed);
    if (read == write_.load(std::memory_order_acquire))
        return false;
    byte = bytes_[read];
    read_.store((read + 1) % NETCFG_RING_SIZE, std::memory_order_release);
    return true;
}

bool NetCfgRing::Empty() const {
    return read_.load(std::memory_order_acquire) == write_.load(std::memory_order_acquire);
}

void NetCfgRing::Discard() {
    read_.store(write_.load(std::memory_order_acquire), std::memory_order_release);
}

bool NetCfgRing::WaitForData(SteadyTime deadline) {
    std::unique_lock<std::mutex> lock(waitMutex_);
    return dataArrived_.wait_until(lock, deadline, [&] { return interrupted_ || !Empty(); }) &&
           !Empty();
}

void NetCfgRing::Interrupt() {
    std::lock_guard<std::mutex> lock(waitMutex_);
    interrupted_ = true;
    dataArrived_.notify_all();
}

void NetCfgRing::ClearInterrupt() {
    std::lock_guard<std::mutex> lock(waitMutex_);
    interrupted_ = false;
}

void NetCfgRing::Reset() {
    read_.store(0);
    write_.store(0);
}

// ---------------------------------------------------------------- state

NetCfgState::NetCfgState() = default;

NetCfgState::~NetCfgState() {
    Close();
}

void NetCfgState::Reset() {
    std::lock_guard<std::mutex> lock(dataMutex_);
    NetCfgClearEntries(receivedList_);
    NetCfgClearEntries(sendList_);
    devices_.fill(NetCfgDevice{});
    deviceCount_ = 0;
    queryResult_ = NetCfgDevice{};
    std::memset(targetMac_, 0, sizeof targetMac_);
    std::memset(targetSerial_, 0, sizeof targetSerial_);
    status_.store(NETCFG_STATUS_IDLE, std::memory_order_release);
    busy_.store(0);
    active_.store(0);
    requestType_.store(0);
    threadStarted_.store(0);
    threadEnded_.store(0);
    stopping_.store(false);
    timeout_.store(NETCFG_DEFAULT_TIMEOUT);
    listChanges_.store(0);
    ring_.Reset();
    ring_.ClearInterrupt();
    openError_ = 0;
    openErrno_ = 0;
}

int NetCfgState::Open(const NetCfgAddresses& addresses) {
    Close();
    Reset();
    addresses_ = addresses;
    if (int error = sendSocket_.Open(true); error != 0) {
        openErrno_ = error;
        return openError_ = NETCFG_ERR_SOCKET;
    }
    if (int error = receiveSocket_.Open(false); error != 0) {
        sendSocket_.Close();
        openErrno_ = error;
        return openError_ = NETCFG_ERR_SOCKET;
    }
    // No SO_REUSEADDR: with it, a second instance would share the port and
    // unicast replies would reach only one of the two, so that the other's
    // searches failed silently. An exclusive bind fails visibly instead.
    if (int error = receiveSocket_.Bind(addresses.bind, false); error != 0) {
        receiveSocket_.Close();
        openErrno_ = error;
        return openError_ = (error == EADDRINUSE ? NETCFG_ERR_PORT_IN_USE : NETCFG_ERR_BIND);
    }
    intakeWake_.Clear();
    intake_ = std::thread([this] { IntakeLoop(); });
    return 0;
}

void NetCfgState::Close() {
    stopping_.store(true);
    active_.store(0, std::memory_order_release);
    ring_.Interrupt();
    JoinReceiver();
    if (intake_.joinable()) {
        intakeWake_.Signal();
        intake_.join();
        intakeWake_.Clear();
    }
    {
        std::lock_guard<std::mutex> lock(sendMutex_);
        sendSocket_.Close();
        receiveSocket_.Close();
    }
    threadEnded_.store(0, std::memory_order_release);
    busy_.store(0, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(newsMutex_);
        news_.notify_all();
    }
}

void NetCfgState::IntakeLoop() {
    std::array<uint8_t, NETCFG_DATAGRAM_MAX> buffer{};
    for (;;) {
        const int ready =
            receiveSocket_.WaitReadable(Clock::now() + std::chrono::hours(1), &intakeWake_);
        if (ready == 2 || ready < 0)
            return;
        if (ready == 0)
            continue;
        buffer.fill(0);
        const long length = receiveSocket_.ReceiveNow(buffer.data(), buffer.size());
        // A receive error, a longer datagram included, is ignored.
        if (length > 0 && static_cast<size_t>(length) <= buffer.size())
            RingPut(buffer.data(), static_cast<uint32_t>(length));
    }
}

uint32_t NetCfgState::RingPut(const uint8_t* data, uint32_t count) {
    return ring_.Put(data, count);
}

void NetCfgState::Send(const uint8_t* data, size_t length) {
    // As with the printers' own tools, the result is not checked: an
    // unanswered request ends with its window.
    sendSocket_.SendBroadcast(data, length, addresses_.destination, addresses_.everyInterface);
}

void NetCfgState::SetTarget(std::string_view mac, std::string_view serial) {
    std::lock_guard<std::mutex> lock(dataMutex_);
    CopyCut(targetMac_, sizeof targetMac_, mac, 12);
    CopyCut(targetSerial_, sizeof targetSerial_, serial, 20);
}

void NetCfgState::SetSendList(const NetCfgEntryList& list) {
    std::lock_guard<std::mutex> lock(dataMutex_);
    sendList_ = list;
}

int NetCfgState::SendRequest(uint32_t command, const NetCfgEntryList* list) {
    if (command < NETCFG_CMD_SEARCH || command > NETCFG_CMD_SET)
        return -4;
    // One request at a time, also from threads that bypass the busy check
    // (and never while Close() takes the sockets away).
    std::lock_guard<std::mutex> sending(sendMutex_);
    // A receiver still running from an earlier request must end before the
    // fields it reads change; its window bounds the wait.
    JoinReceiver();
    startTime_ = Clock::now();
    if (command == NETCFG_CMD_SEARCH) {
        active_.store(1, std::memory_order_release);
        requestType_.store(1);
        {
            std::lock_guard<std::mutex> lock(dataMutex_);
            deviceCount_ = 0;
            devices_.fill(NetCfgDevice{});
        }
        StartReceiver();
        const int length = NetCfgBuildSearch(sendBuffer_.data(), sendBuffer_.size());
        Send(sendBuffer_.data(), static_cast<size_t>(length));
    } else if (command == NETCFG_CMD_QUERY) {
        active_.store(2, std::memory_order_release);
        requestType_.store(2);
        StartReceiver();
        int length;
        {
            std::lock_guard<std::mutex> lock(dataMutex_);
            length =
                NetCfgBuildQuery(sendBuffer_.data(), sendBuffer_.size(), targetMac_, targetSerial_);
        }
        Send(sendBuffer_.data(), static_cast<size_t>(length));
    } else {
        active_.store(3, std::memory_order_release);
        requestType_.store(3);
        NetCfgEntryList entries;
        {
            std::lock_guard<std::mutex> lock(dataMutex_);
            entries = list ? *list : sendList_;
        }
        const int length = NetCfgBuildSet(sendBuffer_.data(), sendBuffer_.size(), entries);
        if (length > 0)
            Send(sendBuffer_.data(), static_cast<size_t>(length));
        active_.store(0, std::memory_order_release);
    }
    return 0;
}

void NetCfgState::JoinReceiver() {
    std::lock_guard<std::mutex> lock(threadMutex_);
    if (receiver_.joinable())
        receiver_.join();
}

int NetCfgState::StartReceiver() {
    status_.store(NETCFG_STATUS_IDLE, std::memory_order_release);
    threadEnded_.store(0, std::memory_order_release);
    threadStarted_.store(0, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(threadMutex_);
        if (receiver_.joinable())
            receiver_.join();
        receiver_ = std::thread([this] { ReceiverLoop(); });
    }
    for (int i = 0; i < RECEIVER_START_POLLS; ++i) {
        if (threadStarted_.load(std::memory_order_acquire) != 0 ||
            threadEnded_.load(std::memory_order_acquire) != 0)
            return 0;
        std::this_thread::sleep_for(RECEIVER_START_POLL);
    }
    return -1;
}

int NetCfgState::ReadReply(SteadyTime windowEnd) {
    // Header scan: a 6-byte window over the stream; the signature followed
    // by the reply direction 0xFF starts a reply. Requests (0x00) and any
    // other bytes are skipped.
    uint8_t window[6] = {};
    auto budget = std::chrono::duration_cast<Clock::duration>(HEADER_WAIT_BUDGET);
    for (;;) {
        uint8_t byte;
        if (!ring_.Get(byte)) {
            // Up to 100 ms of waiting in all (bytes do not renew it), and
            // never past the request's window.
            const auto before = Clock::now();
            const auto deadline = std::min(before + budget, windowEnd);
            if (stopping_.load() || deadline <= before)
                return -6;
            const bool got = ring_.WaitForData(deadline);
            budget -= Clock::now() - before;
            if (!got)
                return -6;
            continue;
        }
        if (std::memcmp(window, NETCFG_SIGNATURE, 6) == 0 && byte == NETCFG_DIR_REPLY)
            break;
        std::memmove(window, window + 1, 5);
        window[5] = byte;
    }
    // Body: command field, entries, terminator. The wait for its bytes ends
    // with the request's window, so that an incomplete reply cannot keep
    // the receiver past it.
    replyBody_.fill(0);
    uint8_t tail[10] = {};
    size_t length = 0;
    for (;;) {
        uint8_t byte;
        if (!ring_.Get(byte)) {
            if (stopping_.load() || !ring_.WaitForData(windowEnd))
                return -5;
            continue;
        }
        if (length >= NETCFG_BODY_MAX)
            return -7;
        replyBody_[length++] = byte;
        std::memmove(tail, tail + 1, 9);
        tail[9] = byte;
        if (length >= NETCFG_TERMINATOR.size() &&
            std::memcmp(tail, NETCFG_TERMINATOR.data(), NETCFG_TERMINATOR.size()) == 0)
            return static_cast<int>(length);
    }
}

void NetCfgState::PublishStatus(uint8_t status) {
    // Release: the tables written before are visible to whoever acquires it.
    status_.store(status, std::memory_order_release);
    std::lock_guard<std::mutex> lock(newsMutex_);
    news_.notify_all();
}

void NetCfgState::ReceiverLoop() {
    threadStarted_.store(1, std::memory_order_release);
    ring_.Discard();
    while (active_.load(std::memory_order_acquire) != 0 && !stopping_.load()) {
        const auto elapsed = Clock::now() - startTime_;
        const int timeout = timeout_.load();
        const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
        if (seconds > timeout) {
            PublishStatus(NETCFG_STATUS_TIMEOUT);
            active_.store(0, std::memory_order_release);
            break;
        }
        const SteadyTime windowEnd = startTime_ + std::chrono::seconds(timeout + 1);
        const int length = ReadReply(windowEnd);
        if (length < 0)
            continue;
        const int32_t command = static_cast<int8_t>(replyBody_[0]);
        if (command != requestType_.load())
            continue;
        const char* text = reinterpret_cast<const char*>(replyBody_.data()) + 4;
        const size_t textLength = length >= 4 ? static_cast<size_t>(length) - 4 : 0;
        NetCfgEntryList parsed{};
        if (command == static_cast<int32_t>(NETCFG_CMD_SEARCH)) {
            if (NetCfgParseReply(text, textLength, parsed) != 0)
                continue;
            std::unique_lock<std::mutex> lock(dataMutex_);
            receivedList_ = parsed;
            if (deviceCount_ == NETCFG_MAX_DEVICES) {
                active_.store(0, std::memory_order_release);
                continue;
            }
            NetCfgDevice device;
            NetCfgCopyDevice(&parsed, device);
            bool known = false;
            for (uint32_t i = 0; i < deviceCount_; ++i) {
                if (std::strcmp(devices_[i].serial, device.serial) == 0) {
                    devices_[i] = device;
                    known = true;
                    break;
                }
            }
            if (!known) {
                devices_[deviceCount_++] = device;
                lock.unlock();
                listChanges_.fetch_add(1, std::memory_order_relaxed);
                PublishStatus(NETCFG_STATUS_LIST_CHANGED);
            }
        } else if (command == static_cast<int32_t>(NETCFG_CMD_QUERY)) {
            int match = 0;
            char target[13];
            {
                std::lock_guard<std::mutex> lock(dataMutex_);
                std::memcpy(target, targetMac_, sizeof target);
            }
            const int result = NetCfgParseReply(text, textLength, parsed, target, &match);
            if (result != 0)
                continue;
            {
                std::lock_guard<std::mutex> lock(dataMutex_);
                receivedList_ = parsed;
                if (match == 1)
                    NetCfgCopyDevice(&parsed, queryResult_);
            }
            if (match == 1) {
                PublishStatus(NETCFG_STATUS_REPLY_READY);
                active_.store(0, std::memory_order_release);
            }
        } else {
            active_.store(0, std::memory_order_release);
        }
    }
    threadEnded_.store(1, std::memory_order_release);
    threadStarted_.store(0, std::memory_order_release);
    std::lock_guard<std::mutex> lock(newsMutex_);
    news_.notify_all();
}

NetCfgState::Begin NetCfgState::BeginAction() {
    {
        std::unique_lock<std::mutex> lock(actionMutex_);
        if (!actionReleased_.wait_for(lock, ACTION_LOCK_WAIT, [&] { return !actionHeld_; }))
            return Begin::NoLock;
        actionHeld_ = true;
    }
    Begin result = Begin::Started;
    if (busy_.load(std::memory_order_acquire) != 0)
        result = Begin::Busy;
    else
        busy_.store(1, std::memory_order_release);
    {
        std::lock_guard<std::mutex> lock(actionMutex_);
        actionHeld_ = false;
    }
    actionReleased_.notify_one();
    return result;
}

NetCfgState::Consumed NetCfgState::Consume() {
    Consumed result;
    result.status = status_.exchange(NETCFG_STATUS_IDLE, std::memory_order_acq_rel);
    if (threadEnded_.load(std::memory_order_acquire) != 0) {
        threadEnded_.store(0, std::memory_order_release);
        JoinReceiver();
        busy_.store(0, std::memory_order_release);
        result.finished = true;
    }
    return result;
}

void NetCfgState::WaitForNews(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(newsMutex_);
    news_.wait_for(lock, timeout, [&] {
        return status_.load(std::memory_order_acquire) != NETCFG_STATUS_IDLE ||
               threadEnded_.load(std::memory_order_acquire) != 0 || stopping_.load();
    });
}

std::vector<NetCfgDevice> NetCfgState::Devices() const {
    std::lock_guard<std::mutex> lock(dataMutex_);
    return std::vector<NetCfgDevice>(devices_.begin(), devices_.begin() + deviceCount_);
}

NetCfgDevice NetCfgState::QueryResult() const {
    std::lock_guard<std::mutex> lock(dataMutex_);
    return queryResult_;
}

NetCfgEntryList NetCfgState::ReceivedEntries() const {
    std::lock_guard<std::mutex> lock(dataMutex_);
    return receivedList_;
}

NetCfgEntryList NetCfgState::SendList() const {
    std::lock_guard<std::mutex> lock(dataMutex_);
    return sendList_;
}

NetCfgRun NetCfgState::WaitUntilFinished(
    uint8_t* lastStatus, const std::function<void(const std::vector<NetCfgDevice>&)>& onChange) {
    for (;;) {
        WaitForNews(CONSUMER_PERIOD);
        const Consumed consumed = Consume();
        if (consumed.status != NETCFG_STATUS_IDLE && lastStatus)
            *lastStatus = consumed.status;
        if (consumed.status == NETCFG_STATUS_LIST_CHANGED && onChange)
            onChange(Devices());
        if (consumed.finished || stopping_.load()) {
            if (!consumed.finished)
                busy_.store(0, std::memory_order_release);
            return NetCfgRun::Done;
        }
    }
}

NetCfgRun NetCfgState::Admit() {
    if (!IsOpen())
        return NetCfgRun::NotOpen;
    switch (BeginAction()) {
    case Begin::Busy:
        return NetCfgRun::Busy;
    case Begin::NoLock:
        return NetCfgRun::NoLock;
    case Begin::Started:
        break;
    }
    return NetCfgRun::Done;
}

NetCfgRun
NetCfgState::RunSearch(std::vector<NetCfgDevice>& devices,
                       const std::function<void(const std::vector<NetCfgDevice>&)>& onChange) {
    if (const NetCfgRun refused = Admit(); refused != NetCfgRun::Done)
        return refused;
    SendRequest(NETCFG_CMD_SEARCH);
    WaitUntilFinished(nullptr, onChange);
    devices = Devices();
    return NetCfgRun::Done;
}

NetCfgRun NetCfgState::RunQuery(std::string_view mac, std::string_view serial, NetCfgDevice& device,
                                NetCfgEntryList& entries) {
    if (const NetCfgRun refused = Admit(); refused != NetCfgRun::Done)
        return refused;
    SetTarget(mac, serial);
    SendRequest(NETCFG_CMD_QUERY);
    uint8_t status = NETCFG_STATUS_IDLE;
    WaitUntilFinished(&status, {});
    if (status != NETCFG_STATUS_REPLY_READY)
        return NetCfgRun::TimedOut;
    device = QueryResult();
    entries = ReceivedEntries();
    return NetCfgRun::Done;
}

NetCfgRun NetCfgState::RunSet(std::string_view mac, std::string_view serial,
                              const NetCfgEntryList& list) {
    if (const NetCfgRun refused = Admit(); refused != NetCfgRun::Done)
        return refused;
    SetTarget(mac, serial);
    SetSendList(list);
    SendRequest(NETCFG_CMD_SET, &list);
    // A set has no receiver, so nobody else would clear busy.
    busy_.store(0, std::memory_order_release);
    return NetCfgRun::Done;
}

// ---------------------------------------------------------------- process

NetCfgState& NetCfgProcessState() {
    static NetCfgState state;
    return state;
}

int NetCfgOpen(const NetCfgAddresses& addresses) {
    return NetCfgProcessState().Open(addresses);
}
void NetCfgClose() {
    NetCfgProcessState().Close();
}
uint32_t NetCfgRingPut(const uint8_t* data, uint32_t count) {
    return NetCfgProcessState().RingPut(data, count);
}
int NetCfgSendRequest(uint32_t command, const NetCfgEntryList* list) {
    return NetCfgProcessState().SendRequest(command, list);
}
int NetCfgStartReceiver() {
    return NetCfgProcessState().StartReceiver();
}

std::string NetCfgOpenErrorMessage(int openError, int languageId) {
    const bool zh = languageId == LANG_CHINESE;
    switch (openError) {
    case 0:
        return {};
    case NETCFG_ERR_PORT_IN_USE:
        return zh ? "UDP 端口 22094 已被其他程序（也许是另一个 Printune）占用，"
                    "无法接收打印机的应答。请关闭该程序后重试。"
                  : "UDP port 22094 is in use by another program (perhaps another Printune), so "
                    "printer replies cannot be received. Close that program and try again.";
    case NETCFG_ERR_BIND:
        return zh ? "无法打开接收打印机应答的网络端口。"
                  : "The network port for printer replies could not be opened.";
    default:
        return zh ? "无法建立网络打印机搜索所需的网络连接。"
                  : "The network could not be set up for the printer search.";
    }
}

} // namespace printune
