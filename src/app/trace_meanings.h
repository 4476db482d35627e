#pragma once
// The meanings the communication trace gives to the bytes it records: the
// label printers' requests and replies, and the download-mode command.
#include <cstddef>
#include <cstdint>
#include <string>

#include "port/comm_trace.h"

namespace printune {

// The meaning of bytes going out or coming in on this thread; a reply is
// read in the light of the request last decoded on the same thread.
std::string DescribeTraceBytes(TraceDirection direction, const uint8_t* data, size_t length);

// Installs DescribeTraceBytes as the trace's decoder.
void InstallTraceMeanings();

} // namespace printune
