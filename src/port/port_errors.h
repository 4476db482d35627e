#pragma once
// The port error codes, the one exception CPrinterPort raises with them,
// and their standard messages per port type, in both languages.
#include <exception>
#include <string>

namespace printune {

inline constexpr int PORT_ERR_OPEN = 8000;     // LPT, USB or TCP open failed
inline constexpr int PORT_ERR_IN_USE = 8002;   // COM open / time-outs failed
inline constexpr int PORT_ERR_WRITE = 8003;    // a write failed
inline constexpr int PORT_ERR_READ = 8004;     // a read failed
inline constexpr int PORT_ERR_USB_LIST = 8005; // no USB printer list
inline constexpr int PORT_ERR_USB_NONE = 8006; // no matching USB printer

// A failure of a printer port: the code (8000..8006), the errno behind it
// (0 when there is none) and the port type it happened on.
class PortError : public std::exception {
public:
    PortError(int code, int portType, int sysErrno = 0);

    int Code() const { return code_; }
    int PortType() const { return portType_; }
    int SysErrno() const { return sysErrno_; }

    // "port error 8003" with the errno text when there is one; English, for
    // logs. Users get PortErrorMessage and PortErrorHint.
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int code_;
    int portType_;
    int sysErrno_;
    std::string what_;
};

// The standard message for a code and the port type in use, UTF-8, in the
// language with the given identifier (1033 or 2052). Empty for a code that
// has no message for that port type.
std::string PortErrorMessage(int code, int portType, int languageId);

// A remedy line for a failure whose cause (errno) is known, for example
// membership of the dialout group after EACCES on a serial port. Empty when
// there is nothing useful to add.
std::string PortErrorHint(int code, int portType, int sysErrno, int languageId);

// The same for a raised failure.
std::string PortErrorMessage(const PortError& error, int languageId);
std::string PortErrorHint(const PortError& error, int languageId);

} // namespace printune
