#pragma once
// Mapping of the settings' Windows-style device names to Linux device nodes,
// and the roots of the USB printer enumeration.
#include <string>
#include <vector>

namespace printune {

// "COMn" -> /dev/ttyS<n-1>, "LPTn" -> /dev/lp<n-1>; a symlink of that name in
// $PRINTUNE_DEVICE_DIR overrides the default; an absolute path stays as is.
std::string ResolveDeviceName(const std::string& name);

// Whether an open descriptor may serve as a port of that kind. A parallel
// port is a character device named /dev/lpN or /dev/usb/lpN (after links are
// followed); a serial port is a character device (the open then checks that
// it is a terminal). A name mapped in $PRINTUNE_DEVICE_DIR counts as chosen
// on purpose: any character device it leads to is accepted. Anything else
// (a disk, a regular file, /dev/null) is refused before a byte is written.
bool IsParallelPortNode(const std::string& path, int fd);
bool IsSerialPortNode(int fd);

// Roots of the sysfs tree and of the device nodes ($PRINTUNE_SYSFS_ROOT,
// $PRINTUNE_DEV_ROOT; defaults /sys and /dev).
std::string SysfsRoot();
std::string DevRoot();

// Serial devices present on this machine that no COM1..COM15 name resolves to
// (USB-serial adapters such as /dev/ttyUSB0, /dev/ttyACM0), sorted.
std::vector<std::string> ListUnmappedSerialDevices();

} // namespace printune
