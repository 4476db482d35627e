#pragma once
// The label printers' network configuration protocol: one process-wide
// state object with its sockets, the ring of received bytes, the receiver
// thread that rebuilds and parses replies, and the busy/status hand-over
// between user actions, the receiver and the consumer (a dialog's 100 ms
// timer, or the Run* helpers below for the command line and workers).
//
// Addresses. Requests go to 255.255.255.255:22094 (through every
// interface that is up and broadcast-capable; a search also to each
// interface's directed broadcast address), or to each address of a sweep,
// and replies are received on 0.0.0.0:22094. Environment overrides, read by NetCfgAddresses::
// FromEnvironment() (the GUI and the command line use it):
//   PRINTUNE_NETCFG_DEST   a.b.c.d[:port]  where requests are sent
//   PRINTUNE_NETCFG_BIND   a.b.c.d[:port]  where replies are received
//   PRINTUNE_NETCFG_EVERY_INTERFACE=0      one plain send instead of one
//                                          per interface
//
// Threads. Open() starts an intake thread that blocks on the receive
// socket and pours every datagram (at most 2048 bytes) into the ring; it is
// the ring's only writer. Each search or query starts one receiver thread,
// the ring's only reader. Close() stops and joins both: nothing outlives it.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "network/netcfg_codec.h"
#include "network/udp_socket.h"

namespace printune {

inline constexpr uint8_t NETCFG_STATUS_IDLE = 0;
inline constexpr uint8_t NETCFG_STATUS_LIST_CHANGED = 1;
inline constexpr uint8_t NETCFG_STATUS_REPLY_READY = 2;
inline constexpr uint8_t NETCFG_STATUS_TIMEOUT = 3;

inline constexpr uint32_t NETCFG_RING_SIZE = 65536;
inline constexpr size_t NETCFG_MAX_DEVICES = 10;
inline constexpr size_t NETCFG_DATAGRAM_MAX = 2048;
// Reply window in whole seconds; the window ends once more than this many
// seconds have passed (3 gives 4000 ms).
inline constexpr int NETCFG_DEFAULT_TIMEOUT = 3;

// Results of Open() besides 0. The state then stays closed: a caller that
// misses the result gets NotOpen, never a silent empty search.
inline constexpr int NETCFG_ERR_SOCKET = -20;      // no UDP socket could be made
inline constexpr int NETCFG_ERR_PORT_IN_USE = -21; // another program holds the reply port
inline constexpr int NETCFG_ERR_BIND = -22;        // any other bind failure

struct NetCfgAddresses {
    Ipv4Endpoint destination{IPV4_BROADCAST, NETCFG_PORT};
    Ipv4Endpoint bind{IPV4_ANY, NETCFG_PORT};
    bool everyInterface = true;
    // A search also goes to each interface's directed broadcast address.
    bool directed = true;
    // When not empty, requests go to each of these (a unicast sweep)
    // instead of `destination`.
    std::vector<Ipv4Endpoint> sweep;

    static NetCfgAddresses FromEnvironment();
};

// Byte ring of 65536 slots, one always free; one writer, one reader. The
// indices are atomics written only by their own side.
class NetCfgRing {
public:
    // Stores bytes until the ring is full; returns how many were stored.
    uint32_t Put(const uint8_t* data, uint32_t count);
    // Takes one byte; false when the ring is empty.
    bool Get(uint8_t& byte);
    bool Empty() const;
    // Reader side: drops everything stored so far.
    void Discard();
    // Reader side: waits until a byte is waiting, the deadline passes or
    // Interrupt() is called. True when a byte is waiting.
    bool WaitForData(SteadyTime deadline);
    void Interrupt();
    void ClearInterrupt();
    // Both indices back to 0; only while neither side runs.
    void Reset();
    uint32_t ReadIndex() const { return read_.load(std::memory_order_relaxed); }
    uint32_t WriteIndex() const { return write_.load(std::memory_order_relaxed); }

private:
    std::array<uint8_t, NETCFG_RING_SIZE> bytes_{};
    std::atomic<uint32_t> read_{0};
    std::atomic<uint32_t> write_{0};
    std::mutex waitMutex_;
    std::condition_variable dataArrived_;
    bool interrupted_ = false;
};

// Outcome of the blocking helpers.
enum class NetCfgRun {
    Done,     // the request ran to its end (search window over, reply in)
    TimedOut, // a query that the printer did not answer within the window
    Busy,     // another request is still running
    NoLock,   // the busy check could not be made within 100 ms
    NotOpen,  // Open() has not set up the sockets
};

class NetCfgState {
public:
    NetCfgState();
    ~NetCfgState();
    NetCfgState(const NetCfgState&) = delete;
    NetCfgState& operator=(const NetCfgState&) = delete;

    // Resets every field, creates both sockets, binds the receive socket
    // and starts the intake thread. Returns 0 or NETCFG_ERR_*.
    int Open(const NetCfgAddresses& addresses = NetCfgAddresses::FromEnvironment());
    // Stops the receiver (a running request ends without a status) and the
    // intake thread, joins them and closes both sockets.
    void Close();
    // True only when both sockets are set up; safe from any thread.
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    int OpenError() const { return openError_.load(); }
    int OpenErrno() const { return openErrno_.load(); }
    // The message for a failed Open(), naming the port really asked for.
    std::string OpenErrorMessage(int languageId) const;
    // Ends the running search or query early (its receiver stops within
    // milliseconds); the consumer still sees the receiver's end.
    void CancelRequest();
    // Where replies are received (the real port when bound to port 0).
    std::optional<Ipv4Endpoint> ReceiveEndpoint() const { return receiveSocket_.LocalEndpoint(); }
    const NetCfgAddresses& Addresses() const { return addresses_; }

    // The ring's writer side (the intake thread calls it too).
    uint32_t RingPut(const uint8_t* data, uint32_t count);
    NetCfgRing& Ring() { return ring_; }

    // Issues a request: 0, or -4 for a command outside 1..3. `list` is used
    // only by the set request (the send list when null).
    int SendRequest(uint32_t command, const NetCfgEntryList* list = nullptr);
    // Starts the receiver thread; 0 when it reported running, -1 when it did
    // not within 3 s. A previous receiver is joined first.
    int StartReceiver();
    // Rebuilds one reply body from the ring into ReplyBody(). Returns its
    // length, -5 (body incomplete when windowEnd passed), -6 (no header
    // within 100 ms of waiting) or -7 (body longer than 640 bytes).
    int ReadReply(SteadyTime windowEnd);
    const std::array<uint8_t, NETCFG_BODY_MAX>& ReplyBody() const { return replyBody_; }

    // --- user actions ---
    // Takes the mutex (100 ms wait), tests busy and sets it.
    enum class Begin { Started, Busy, NoLock };
    Begin BeginAction();
    // Sets busy without the mutex (a worker whose buttons keep users out).
    void MarkBusy() { busy_.store(1, std::memory_order_release); }
    void SetTimeout(int seconds) { timeout_.store(seconds, std::memory_order_relaxed); }
    int Timeout() const { return timeout_.load(std::memory_order_relaxed); }
    // The printer a query or set addresses (cut to 12 and 20 characters).
    void SetTarget(std::string_view mac, std::string_view serial);
    void SetSendList(const NetCfgEntryList& list);

    // --- consumer duty ---
    struct Consumed {
        uint8_t status = NETCFG_STATUS_IDLE; // the status seen (now idle again)
        bool finished = false;               // the receiver was joined, busy is 0
    };
    // Takes the status (read and reset in one step, so no announcement is
    // lost), and when the receiver has ended joins it and clears busy.
    Consumed Consume();
    // Waits up to `timeout` for a status or the receiver's end.
    void WaitForNews(std::chrono::milliseconds timeout);

    // --- state, safe to read from any thread ---
    uint8_t Status() const { return status_.load(std::memory_order_acquire); }
    bool Busy() const { return busy_.load(std::memory_order_acquire) != 0; }
    uint8_t ActiveRequest() const { return active_.load(std::memory_order_acquire); }
    bool ThreadStarted() const { return threadStarted_.load(std::memory_order_acquire) != 0; }
    bool ThreadEnded() const { return threadEnded_.load(std::memory_order_acquire) != 0; }
    // How often the receiver announced a changed list since Open().
    uint32_t ListChangeCount() const { return listChanges_.load(std::memory_order_acquire); }
    std::vector<NetCfgDevice> Devices() const;
    // How many valid search replies each device of Devices() sent.
    std::vector<uint32_t> DeviceAnswers() const;
    // Tests: runs on the receiver thread right after it reported itself
    // started (a reply may arrive at exactly that moment).
    void SetReceiverStartedHook(std::function<void()> hook) {
        receiverStartedHook_ = std::move(hook);
    }
    NetCfgDevice QueryResult() const;
    NetCfgEntryList ReceivedEntries() const;
    NetCfgEntryList SendList() const;

    // --- blocking helpers (command line, dialog workers) ---
    // Each takes the busy check like a user action and uses the current
    // time-out (3 after Open).
    // A whole search; `onChange` sees the device table after every change.
    // A stop request ends the window early (the result is Done with what
    // was found so far).
    NetCfgRun RunSearch(std::vector<NetCfgDevice>& devices,
                        const std::function<void(const std::vector<NetCfgDevice>&)>& onChange = {},
                        std::stop_token stop = {});
    // A whole query; on Done, `entries` holds the reply's entries. A stop
    // request ends it as TimedOut.
    NetCfgRun RunQuery(std::string_view mac, std::string_view serial, NetCfgDevice& device,
                       NetCfgEntryList& entries, std::stop_token stop = {});
    // Sends a set request (no reply comes).
    NetCfgRun RunSet(std::string_view mac, std::string_view serial, const NetCfgEntryList& list);

private:
    void Reset();
    // Done when a blocking helper may start (busy now set), else why not.
    NetCfgRun Admit();
    void IntakeLoop();
    void ReceiverLoop();
    void JoinReceiver();
    void Send(const uint8_t* data, size_t length);
    void PublishStatus(uint8_t status);
    NetCfgRun
    WaitUntilFinished(uint8_t* lastStatus,
                      const std::function<void(const std::vector<NetCfgDevice>&)>& onChange,
                      std::stop_token stop);

    NetCfgAddresses addresses_;
    UdpSocket sendSocket_;
    UdpSocket receiveSocket_;
    std::atomic<bool> open_{false};
    std::atomic<int> openError_{0};
    std::atomic<int> openErrno_{0};
    std::function<void()> receiverStartedHook_;
    std::array<uint8_t, NETCFG_BODY_MAX> sendBuffer_{};
    std::array<uint8_t, NETCFG_BODY_MAX> replyBody_{};
    NetCfgRing ring_;

    std::atomic<uint8_t> active_{0};
    std::atomic<int32_t> requestType_{0};
    std::atomic<uint8_t> status_{NETCFG_STATUS_IDLE};
    std::atomic<uint8_t> busy_{0};
    std::atomic<uint8_t> threadStarted_{0};
    std::atomic<uint8_t> threadEnded_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<int> timeout_{NETCFG_DEFAULT_TIMEOUT};
    std::atomic<uint32_t> listChanges_{0};
    SteadyTime startTime_{};

    // Guards the tables the receiver fills and the others read.
    mutable std::mutex dataMutex_;
    char targetMac_[13] = {};
    char targetSerial_[21] = {};
    std::array<NetCfgDevice, NETCFG_MAX_DEVICES> devices_{};
    std::array<uint32_t, NETCFG_MAX_DEVICES> answers_{};
    uint32_t deviceCount_ = 0;
    NetCfgDevice queryResult_{};
    NetCfgEntryList sendList_{};
    NetCfgEntryList receivedList_{};

    // The busy check of user actions: a lock taken with a bounded wait.
    std::mutex actionMutex_;
    std::condition_variable actionReleased_;
    bool actionHeld_ = false;
    std::mutex threadMutex_; // whoever joins the receiver
    std::mutex sendMutex_;   // SendRequest against itself and Close
    std::thread receiver_;
    std::mutex newsMutex_;
    std::condition_variable news_;

    std::thread intake_;
    WakeEvent intakeWake_;
};

// The one state of the process and the calls the dialogs make on it.
NetCfgState& NetCfgProcessState();
int NetCfgOpen(const NetCfgAddresses& addresses = NetCfgAddresses::FromEnvironment());
void NetCfgClose();
uint32_t NetCfgRingPut(const uint8_t* data, uint32_t count);
int NetCfgSendRequest(uint32_t command, const NetCfgEntryList* list = nullptr);
int NetCfgStartReceiver();

// The message for an Open() result other than 0, in the given language
// (LANG_ENGLISH or LANG_CHINESE); `port` is the reply port asked for.
std::string NetCfgOpenErrorMessage(int openError, int languageId, uint16_t port = NETCFG_PORT);

} // namespace printune
