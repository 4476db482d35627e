#include "settings/serial_line_adoption.h"

namespace printune {

void AdoptSerialValues(const PortSettings& copy, const SerialLineAdopter& adopt) {
    if (adopt) {
        adopt(copy);
        return;
    }
    PortSettings current = CurrentPortSettings();
    current.baudrate = copy.baudrate;
    current.paritySetup = copy.paritySetup;
    current.dataBit = copy.dataBit;
    current.stopBit = copy.stopBit;
    current.flowControl = copy.flowControl;
    SetCurrentPortSettings(current);
}

void SetFactorySerialLine(PortSettings& copy) {
    copy.baudrate = "9600";
    copy.dataBit = "8";
    copy.paritySetup = "None";
    copy.stopBit = "1";
    copy.flowControl = "DTR";
}

} // namespace printune
