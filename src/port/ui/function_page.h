#pragma once
// What every function page of the main window has: its own copy of the
// connection settings, refreshed by the main window after every change, and
// its own printer port.
#include <QMetaType>
#include <QWidget>

#include "port/port_settings.h"
#include "port/printer_port.h"

Q_DECLARE_METATYPE(printune::PortSettings)

namespace printune {

class CFunctionPage : public QWidget {
    Q_OBJECT

public:
    explicit CFunctionPage(QWidget* parent = nullptr);

    // The main window's distribution: the page copy := master.
    void SetSettings(const PortSettings& settings);
    const PortSettings& Settings() const { return settings_; }

    // The main window hands its initial port state (type, device names).
    void TakePortState(const CPrinterPort& from);
    const CPrinterPort& Port() const { return port_; }

    // The language of the page's own copy (1033 or 2052).
    int LanguageId() const;

protected:
    // Called after the page copy changed; the page refreshes what shows it.
    virtual void OnSettingsChanged() {}

    PortSettings settings_;
    CPrinterPort port_;
};

} // namespace printune
