#pragma once
// What the network dialogs share: address edits, the list rows' display
// rule and the hand cursor over buttons.
#include <optional>
#include <string>
#include <vector>

#include <QStringList>

#include "network/netparam_command.h"

class QLineEdit;
class QWidget;
class QTreeWidget;

namespace printune {

// Accepts dotted decimal with each part 0..255, as an address control does.
void SetAddressValidator(QLineEdit* edit);
std::optional<Ipv4Octets> AddressIn(const QLineEdit* edit);
void ShowAddress(QLineEdit* edit, const std::optional<Ipv4Octets>& address);

// A row's texts as the list shows them: an empty text or one longer than
// 64 characters ends the row there, later columns stay blank. Empty when
// the first column is empty (no row at all).
QStringList NetRowTexts(const std::vector<std::string>& columns);

// Report-style list: centred columns of `width`, grid-like, full-row selection.
void SetUpDeviceList(QTreeWidget* list, const QStringList& headers, int width);

// The hand cursor over every button of `dialog`.
void SetHandCursors(QWidget* dialog);

} // namespace printune
