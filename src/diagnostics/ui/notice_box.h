#pragma once
// An engine notice shown through the message service: its icon, its text
// and the remedy line under it when the port knew the cause.
#include "port/port_link.h"

class QWidget;

namespace printune {

void ShowNotice(QWidget* owner, const Notice& notice);

} // namespace printune
