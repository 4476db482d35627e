#pragma once
// How the settings operations pass on the serial-line values a printer
// reports, and the serial line a printer uses after its factory settings.
#include <functional>

#include "port/port_settings.h"

namespace printune {

// Called with the settings copy whenever its serial-line texts changed (the
// pages pass them on to the main window). Without one, the serial texts are
// copied into the process-wide current settings, so that later serial opens
// use them.
using SerialLineAdopter = std::function<void(const PortSettings&)>;

void AdoptSerialValues(const PortSettings& copy, const SerialLineAdopter& adopt);

// 9600/8/None/1/DTR.
void SetFactorySerialLine(PortSettings& copy);

// The pause between a reset or restore and the read-back.
inline constexpr int RESET_SETTLE_MS = 1000;

} // namespace printune
