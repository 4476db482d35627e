#include "network/ui/net_dialog_util.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTreeWidget>

#include "base/ui/text_service.h"

namespace printune {

namespace {
constexpr qsizetype ROW_TEXT_MAX = 64;
}

void SetAddressValidator(QLineEdit* edit) {
    const QString part = QStringLiteral("(25[0-5]|2[0-4]\\d|1\\d\\d|[1-9]?\\d)");
    const QRegularExpression dotted(
        QStringLiteral("^(%1(\\.(%1(\\.(%1(\\.(%1)?)?)?)?)?)?)?$").arg(part));
    edit->setValidator(new QRegularExpressionValidator(dotted, edit));
}

std::optional<Ipv4Octets> AddressIn(const QLineEdit* edit) {
    Ipv4Octets octets{};
    if (!ParseIpv4Octets(S(edit->text().trimmed()), octets))
        return std::nullopt;
    return octets;
}

void ShowAddress(QLineEdit* edit, const std::optional<Ipv4Octets>& address) {
    edit->setText(address ? Q(FormatIpv4Octets(*address)) : QString());
}

QStringList NetRowTexts(const std::vector<std::string>& columns) {
    QStringList texts;
    bool ended = false;
    for (const std::string& c : columns) {
        const QString text = Q(c);
        if (text.isEmpty() || text.size() > ROW_TEXT_MAX)
            ended = true;
        texts << (ended ? QString() : text);
    }
    if (texts.isEmpty() || texts.front().isEmpty())
        return {};
    return texts;
}

void SetUpDeviceList(QTreeWidget* list, const QStringList& headers, int width) {
    list->setColumnCount(static_cast<int>(headers.size()));
    list->setHeaderLabels(headers);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    // Grid lines; a selected row keeps readable colours when the dialog
    // is not the active window.
    list->setStyleSheet(QStringLiteral(
        "QTreeWidget::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }"
        "QTreeWidget::item:selected { background: #3d8ee6; color: white; }"));
    for (int i = 0; i < headers.size(); ++i) {
        list->setColumnWidth(i, width);
        list->headerItem()->setTextAlignment(i, Qt::AlignCenter);
    }
}

void SetHandCursors(QWidget* dialog) {
    for (QAbstractButton* b : dialog->findChildren<QAbstractButton*>())
        b->setCursor(Qt::PointingHandCursor);
}

} // namespace printune
