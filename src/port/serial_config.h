#pragma once
// The serial line settings a COM open applies, computed from the current
// connection settings on top of the device's present termios.
#include <string>

#include <termios.h>

#include "port/port_settings.h"

namespace printune {

// What to do with the DTR line after the termios are applied.
enum class DtrAction { Keep, Assert, Clear };

struct SerialLineConfig {
    struct termios tio {};
    DtrAction dtr = DtrAction::Keep;
    bool baudApplied = false; // false: the text named no supported rate
};

// Raw mode, then baud, parity, byte size, flow control and stop bits from
// the texts. A text the mapping does not know leaves the device's value.
SerialLineConfig BuildSerialLineConfig(const struct termios& current, const PortSettings& settings);

// Raw byte stream: no line editing, echo, signals or translations; reads
// return at once (every wait is done with poll()). withoutFlow also turns
// software flow control off, so XON and XOFF bytes pass as data.
void MakeRawTermios(struct termios& t, bool withoutFlow = false);

// The termios speed constant for a decimal rate text, or B0 when the text is
// not a standard rate.
speed_t BaudConstant(const std::string& text);

} // namespace printune
