#include "exchange_io.h"

#include "app/settings_file.h"
#include "context.h"
#include "failure.h"
#include "port/printer_port.h"
#include "signals.h"
#include "texts.h"

namespace printune::cli {

namespace {

[[noreturn]] void ThrowOutcome(const Context& c, const ExchangeResult& r,
                               const CPrinterPort& port) {
    switch (r.outcome) {
    case ExchangeOutcome::OpenFailed:
    case ExchangeOutcome::WriteFailed:
    case ExchangeOutcome::ReadFailed:
        ThrowPort(r.portError, c.settings.portType, port.LastErrno());
    case ExchangeOutcome::TimedOut:
        ThrowTimeout();
    case ExchangeOutcome::Stopped:
    default:
        ThrowOther(L("Interrupted.", "已中断。"));
    }
}

} // namespace

void RequireOutcome(const Context& c, const ExchangeResult& r, const CPrinterPort& port,
                    ExchangeOutcome expected) {
    if (r.outcome != expected)
        ThrowOutcome(c, r, port);
}

SerialLineAdopter RunAdopter(Context& c, bool save) {
    return [&c, save](const PortSettings& copy) {
        // The flow control is not part of what a printer reports; only a
        // reset changes it.
        const std::string flow =
            copy.flowControl != c.settings.flowControl ? copy.flowControl : std::string();
        AdoptSerialLine(
            c, SerialLine{copy.baudrate, copy.paritySetup, copy.stopBit, copy.dataBit, flow}, save);
    };
}

void AdoptSerialLine(Context& c, const SerialLine& line, bool save) {
    ApplySerialLine(c.settings, line);
    SetCurrentPortSettings(c.settings);
    if (!save || !c.configExists)
        return;
    std::string text;
    if (!ReadSettingsFileText(c.configPath, text))
        return;
    PortSettings file = SettingsFromProfile(PrivateProfile::Parse(text));
    const PortSettings before = file;
    ApplySerialLine(file, line);
    if (file == before)
        return;
    SettingsError error;
    if (!SaveSettingsFile(c.configPath, file, &error))
        ThrowOther(SettingsErrorMessage(error, MessageLanguage()));
}

} // namespace printune::cli
