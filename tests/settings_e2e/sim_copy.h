#pragma once
// A settings copy pointing at the simulator's TCP endpoint, made current
// (the receipt operations take the port type from the current settings),
// with a serial line that no printer reports, so adoption shows.
#include "port/port_settings.h"
#include "support/sim_process.h"

inline printune::PortSettings TcpCopy(const printune_test::SimProcess& sim) {
    printune::PortSettings current = printune::CurrentPortSettings();
    current.portType = printune::PORT_LAN;
    current.ipAddr = sim.TcpAddress();
    current.listenPort = sim.TcpPort();
    current.baudrate = "115200";
    current.flowControl = "Xon/Xoff";
    printune::SetCurrentPortSettings(current);
    return current;
}
