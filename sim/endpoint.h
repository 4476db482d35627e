#pragma once
// Endpoints of the simulator: a byte stream (a TCP connection, the master
// side of a pty) connected to a SimDevice. Everything received is captured,
// handed to the device, and the device's replies are sent back, optionally
// late. Faults for testing the tool's error paths are per endpoint.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "capture.h"
#include "event_loop.h"
#include "sim_device.h"

namespace printune_sim {

struct EndpointFaults {
    int64_t closeAfter = -1; // TCP: drop the connection after this many bytes
    int64_t readLimit = -1;  // stop reading after this many bytes (per connection)
    int replyDelayMs = 0;    // at least this long before every reply
    int64_t readRate = -1;   // take at most this many bytes per second (a slow printer)
    int slowReadBytes = 0;   // a slow printer: at most this many bytes ...
    int slowReadMs = 0;      // ... per this many milliseconds
    // The device goes away after this many bytes: a pty's master closes and
    // its device link is removed (a node unplugged mid-operation); a TCP
    // printer closes its connection and its listener (switched off).
    int64_t vanishAfter = -1;
};

// Ordered key/value pairs describing an endpoint (see the description file).
using Fields = std::vector<std::pair<std::string, std::string>>;

class Endpoint {
public:
    Endpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
             std::unique_ptr<Capture> capture, EndpointFaults faults);
    virtual ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    const std::string& Name() const { return name_; }
    virtual Fields Describe() const = 0;
    void FlushCapture() { capture_->Flush(); }
    const std::string& CapturePath() const { return capture_->Path(); }

    // Called with each event the device reports (after it is captured).
    void OnDeviceEvent(std::function<void(const std::string&)> f) { onEvent_ = std::move(f); }

protected:
    // Starts serving a stream descriptor (non-blocking). The endpoint does
    // not own it; Detach stops watching it.
    void Attach(int fd, bool socket);
    void Detach();
    int StreamFd() const { return fd_; }
    // The peer closed its end (TCP only).
    virtual void OnPeerClosed() {}
    // The connection reached the read limit and is read no more.
    virtual void OnReadingStopped() {}
    // A device node reported an error or hang-up (a USB gadget whose host
    // went away). The default keeps watching, as a pty never does this.
    virtual void OnStreamError() {}
    // The vanish fault struck: the endpoint must stop serving for good.
    virtual void Vanish() { Detach(); }

    std::string name_;
    EventLoop& loop_;
    std::unique_ptr<SimDevice> device_;
    std::unique_ptr<Capture> capture_;
    EndpointFaults faults_;

private:
    void OnEvents(short revents);
    void ReadSome();
    void WriteSome();
    void Queue(const std::vector<uint8_t>& bytes, bool closeAfter);
    // Queues a reply now, or after ms, unless the connection changed by then.
    void QueueLater(int ms, std::vector<uint8_t> bytes, bool closeAfter);
    void UpdateEvents();
    void TakeDeviceEvents();
    // Serial, parallel and USB have no connection to end: after a quiet
    // second the device ends what a disconnect would (an image in progress).
    void EndWhenQuiet();

    std::function<void(const std::string&)> onEvent_;
    void PauseReading();

    int fd_ = -1;
    bool socket_ = false;
    uint64_t generation_ = 0; // replies scheduled for an earlier connection are dropped
    int64_t received_ = 0;    // in this connection
    bool reading_ = true;
    bool paused_ = false; // slow reading: waiting before the next chunk
    bool closeWhenFlushed_ = false;
    std::deque<uint8_t> out_;
    std::vector<uint64_t> timers_;
};

// A TCP listener; serves one connection at a time, any number one after
// another.
class TcpEndpoint : public Endpoint {
public:
    TcpEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                std::unique_ptr<Capture> capture, EndpointFaults faults, std::string model);
    ~TcpEndpoint() override;
    // Binds and listens; false with a reason.
    bool Listen(const std::string& address, int port, std::string& error);
    Fields Describe() const override;
    int Port() const { return port_; }

protected:
    void OnPeerClosed() override;
    void OnReadingStopped() override;
    void Vanish() override;

private:
    void Accept();
    void DropConnection();
    int listenFd_ = -1;
    int conn_ = -1;
    std::string address_;
    int port_ = 0;
    std::string model_;
};

// A pty in raw mode whose slave stands in for a serial port, a parallel port
// or a USB printer node. The simulator keeps a slave descriptor open itself,
// so the pty survives the tool's opens and closes.
class PtyEndpoint : public Endpoint {
public:
    PtyEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                std::unique_ptr<Capture> capture, EndpointFaults faults, Fields fields);
    ~PtyEndpoint() override;
    bool Create(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }
    // Extra description fields known only once the node is published.
    void AddField(const std::string& key, const std::string& value) {
        fields_.emplace_back(key, value);
    }
    Fields Describe() const override;

protected:
    void Vanish() override;

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    Fields fields_;
};

// The printer's end of a USB printer gadget (/dev/g_printerN): the real usblp
// driver on the same machine sees a USB printer whose bytes arrive here.
class GadgetEndpoint : public Endpoint {
public:
    GadgetEndpoint(std::string name, EventLoop& loop, std::unique_ptr<SimDevice> device,
                   std::unique_ptr<Capture> capture, EndpointFaults faults, std::string model);
    ~GadgetEndpoint() override;
    // Opens the node; a status byte >= 0 is what the printer reports to the
    // host from then on (0x38: paper out).
    bool Open(const std::string& path, int status, std::string& error);
    Fields Describe() const override;

protected:
    void OnStreamError() override;

private:
    int node_ = -1;
    bool gone_ = false;
    uint64_t retry_ = 0;
    std::string path_;
    std::string model_;
};

} // namespace printune_sim
