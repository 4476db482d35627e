#include "port/port_errors.h"

#include <cerrno>
#include <cstring>

#include "base/language.h"
#include "port/port_settings.h"

namespace printune {

namespace {
struct Text {
    const char* en;
    const char* zh;
};

std::string Pick(const Text& t, int languageId) {
    return languageId == LANG_CHINESE ? t.zh : t.en;
}

const Text kOpenLpt{"Open the LPT interface fail!", "打开LPT接口失败！"};
const Text kOpenUsb{"Open the USB interface fail!", "打开USB接口失败！"};
const Text kOpenLan{"Lan connect fail. Please ensure the wire is connecting and the IP is valid.",
                    "网络连接失败，请确认网线已连接并且IP地址有效。"};
const Text kInUse{"The interface is used by other program or non-existent!",
                  "接口被其他程序占用或不存在！"};
const Text kNoPrinter{"Haven't detected any printer on line.", "没有检测到在线的打印机。"};
const Text kNoInfo{"Get no information about printer.", "无法获取打印机的信息。"};
const Text kWrite{"Unable to send file to port.", "无法向端口发送文件。"};
const Text kRead{"Unable to get printer's setting!", "无法获取打印机的设置！"};

bool KnownPortType(int t) {
    return t == PORT_COM || t == PORT_LPT || t == PORT_USB || t == PORT_LAN;
}
} // namespace

PortError::PortError(int code, int portType, int sysErrno)
    : code_(code), portType_(portType), sysErrno_(sysErrno),
      what_("port error " + std::to_string(code)) {
    if (sysErrno != 0)
        what_ += std::string(" (") + std::strerror(sysErrno) + ")";
}

std::string PortErrorMessage(const PortError& error, int languageId) {
    return PortErrorMessage(error.Code(), error.PortType(), languageId);
}

std::string PortErrorHint(const PortError& error, int languageId) {
    return PortErrorHint(error.Code(), error.PortType(), error.SysErrno(), languageId);
}

std::string PortErrorMessage(int code, int portType, int languageId) {
    if (!KnownPortType(portType))
        return {};
    switch (code) {
    case PORT_ERR_OPEN:
        if (portType == PORT_LPT)
            return Pick(kOpenLpt, languageId);
        if (portType == PORT_USB)
            return Pick(kOpenUsb, languageId);
        if (portType == PORT_LAN)
            return Pick(kOpenLan, languageId);
        return {};
    case PORT_ERR_IN_USE:
        return Pick(kInUse, languageId);
    case PORT_ERR_USB_LIST:
        return portType == PORT_USB ? Pick(kNoPrinter, languageId) : std::string();
    case PORT_ERR_USB_NONE:
        return portType == PORT_USB ? Pick(kNoInfo, languageId) : std::string();
    case PORT_ERR_WRITE:
        return Pick(kWrite, languageId);
    case PORT_ERR_READ:
        return Pick(kRead, languageId);
    default:
        return {};
    }
}

std::string PortErrorHint(int code, int portType, int sysErrno, int languageId) {
    static const Text kSerialGroup{"Permission denied: add your user to the dialout group "
                                   "(sudo usermod -aG dialout $USER) and log in again.",
                                   "没有访问权限：请把当前用户加入 dialout 组（sudo usermod -aG "
                                   "dialout $USER），然后重新登录。"};
    static const Text kLpGroup{
        "Permission denied: add your user to the lp group "
        "(sudo usermod -aG lp $USER) and log in again.",
        "没有访问权限：请把当前用户加入 lp 组（sudo usermod -aG lp $USER），然后重新登录。"};
    static const Text kBusy{
        "The port is in use by another program (a terminal program or the print spooler). "
        "Close that program and try again.",
        "端口正被其他程序（终端程序或打印服务）使用。请关闭该程序后重试。"};
    static const Text kMissing{"The device does not exist. Check the cable and the port name.",
                               "设备不存在。请检查连接线和端口名称。"};
    static const Text kNoUsbClass{
        "No USB printer is known to the system: check the cable and the power, "
        "and that the usblp driver is loaded (sudo modprobe usblp).",
        "系统中没有USB打印机：请检查连接线和电源，并确认已加载 usblp 驱动（sudo modprobe "
        "usblp）。"};
    static const Text kNoModel{
        "No printer of the chosen model is attached: check the cable, the power and the model "
        "choice.",
        "没有连接所选型号的打印机：请检查连接线、电源和型号选择。"};
    static const Text kRefused{
        "The printer refused the connection: check the TCP port in the network settings.",
        "打印机拒绝了连接：请检查网络设置中的TCP端口。"};
    static const Text kNoRoute{"No answer from that address: check the cable and the IP address.",
                               "该地址没有响应：请检查网线和IP地址。"};
    static const Text kClosed{"The printer closed the connection.", "打印机关闭了连接。"};
    static const Text kNotParallel{
        "That name is not a parallel port: use LPT1 to LPT4 or a /dev/lpN or /dev/usb/lpN device.",
        "该名称不是并口：请使用 LPT1 至 LPT4，或 /dev/lpN、/dev/usb/lpN 设备。"};
    static const Text kNotSerial{
        "That name is not a serial port: use COM1 to COM15 or a serial device such as ttyUSB0.",
        "该名称不是串口：请使用 COM1 至 COM15，或 ttyUSB0 等串口设备。"};

    switch (sysErrno) {
    case EACCES:
    case EPERM:
        if (portType == PORT_COM)
            return Pick(kSerialGroup, languageId);
        if (portType == PORT_USB || portType == PORT_LPT)
            return Pick(kLpGroup, languageId);
        return {};
    case EBUSY:
    case EWOULDBLOCK:
        return portType == PORT_LAN ? std::string() : Pick(kBusy, languageId);
    case ENOENT:
    case ENODEV:
    case ENXIO:
        if (portType == PORT_USB && code == PORT_ERR_USB_LIST)
            return Pick(kNoUsbClass, languageId);
        if (portType == PORT_USB && code == PORT_ERR_USB_NONE)
            return Pick(kNoModel, languageId);
        return portType == PORT_LAN ? std::string() : Pick(kMissing, languageId);
    case ECONNREFUSED:
        return Pick(kRefused, languageId);
    case ETIMEDOUT:
    case EHOSTUNREACH:
    case ENETUNREACH:
        return portType == PORT_LAN ? Pick(kNoRoute, languageId) : std::string();
    case ENOTTY:
        if (portType == PORT_LPT)
            return Pick(kNotParallel, languageId);
        return portType == PORT_COM ? Pick(kNotSerial, languageId) : std::string();
    case ECONNRESET:
    case EPIPE:
        return portType == PORT_LAN ? Pick(kClosed, languageId) : std::string();
    default:
        return {};
    }
}

} // namespace printune
