#pragma once
// Client of the HT-740 family's configuration protocol. One per owner (the
// HT-740 network dialog has one, every configuration dialog its own). Every
// operation is refused with Busy while another runs; each opens a fresh
// socket and closes it at its end. Nothing outlives the client: its
// destructor stops and joins the search receiver.
//
// Addresses. Requests go to 255.255.255.255:1901 (through every interface
// that is up and broadcast-capable); the printer answers to the request's
// source. Environment overrides, read by HtNetOptions::FromEnvironment():
//   PRINTUNE_HTNET_DEST   a.b.c.d[:port]  where requests are sent
//   PRINTUNE_HTNET_BIND   a.b.c.d[:port]  local address of the socket
//   PRINTUNE_HTNET_EVERY_INTERFACE=0      one plain send instead of one
//                                         per interface
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "network/htnet_codec.h"
#include "network/udp_socket.h"

namespace printune {

struct HtNetOptions {
    Ipv4Endpoint destination{IPV4_BROADCAST, HTNET_PORT};
    Ipv4Endpoint bind{IPV4_ANY, 0};
    bool everyInterface = true;
    // A search also goes to each interface's directed broadcast address.
    bool directed = true;
    // When not empty, every request goes to each of these (a unicast
    // sweep) instead of `destination`.
    std::vector<Ipv4Endpoint> sweep;
    // Wait for a reply or acknowledgement, and the silence that ends a search.
    std::chrono::milliseconds replyWait{500};
    std::chrono::milliseconds searchSilence{500};

    static HtNetOptions FromEnvironment();
};

enum class HtResult {
    Done,       // finished (a search: started, its receiver runs)
    Busy,       // another operation runs; nothing was done
    Failed,     // no socket, or the search receiver did not start
    SendFailed, // the request could not be sent
    NoReply,    // no reply, a short query reply, or a missing/wrong acknowledgement
    Refused,    // set block or apply without a configuration read
};

class HtNetClient {
public:
    explicit HtNetClient(HtNetOptions options = HtNetOptions::FromEnvironment());
    ~HtNetClient();
    HtNetClient(const HtNetClient&) = delete;
    HtNetClient& operator=(const HtNetClient&) = delete;

    // Empties the announcement queue, starts the receiver and sends the
    // search request; the client is idle again after 500 ms of silence.
    HtResult Search();
    // The oldest queued announcement; false when the queue is empty.
    bool PopAnnouncement(HtDeviceRecord& record);
    // Waits until an announcement is queued, the search has ended or the
    // timeout; true when one is queued.
    bool WaitAnnouncement(std::chrono::milliseconds timeout);
    // Reads the printer's configuration. A reply shorter than blocks 1 to 3
    // (193 bytes) fails and leaves the configuration as it was; block 4 is
    // taken only from a full 256-byte reply.
    HtResult Query(const HtDeviceRecord& record);
    // Writes block 1..4 of Configuration() to the printer named by its MAC.
    HtResult SetBlock(int block);
    // Tells the printer to apply what it was sent.
    HtResult Apply(const HtDeviceRecord& record);

    // Ends the running operation's wait at once (a search ends, a query or
    // acknowledgement counts as unanswered). Safe from any thread.
    void Cancel();

    bool IsIdle() const;
    // Blocks until no operation runs (a search has ended) or the timeout.
    bool WaitIdle(std::chrono::milliseconds timeout);
    bool ConfigurationRead() const;
    HtNetConfig Configuration() const;
    // An owner that took a configuration read by another client adopts it
    // together with that client's flag.
    void SetConfiguration(const HtNetConfig& config, bool configurationRead);
    const HtNetOptions& Options() const { return options_; }

private:
    bool TryBegin();
    void End();
    int OpenSocket();
    bool Send(const std::vector<uint8_t>& request, bool search = false);
    HtResult AwaitAck(uint8_t function);
    void SearchLoop();
    void StopSearch();

    HtNetOptions options_;
    UdpSocket socket_;

    mutable std::mutex flagMutex_;
    std::condition_variable idleChanged_;
    bool idle_ = true;
    bool configurationRead_ = false;
    HtNetConfig config_;

    std::mutex queueMutex_;
    std::condition_variable queueChanged_;
    std::deque<HtDeviceRecord> queue_;
    bool searching_ = false; // under queueMutex_: the receiver runs

    std::thread receiver_;
    WakeEvent cancel_;
    std::mutex readyMutex_;
    std::condition_variable readyChanged_;
    bool receiverReady_ = false;
};

} // namespace printune
