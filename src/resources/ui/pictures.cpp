#include "resources/ui/pictures.h"

#include <functional>

#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "base/language.h"

namespace printune {

namespace {

const QColor kNavy(0x1b, 0x3f, 0x73);
const QColor kTeal(0x1f, 0x8a, 0x9e);

QFont LogoFont(int pixelSize, bool bold, bool cjk = false) {
    QFont font;
    font.setFamilies(
        cjk ? QStringList{QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")}
            : QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana")});
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A small printer: body with a paper slot and a sheet coming out.
void PaintMark(QPainter& p, const QRectF& box) {
    const qreal w = box.width(), h = box.height();
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawRoundedRect(box, w * 0.16, h * 0.16);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(box.left() + w * 0.2, box.top() + h * 0.18, w * 0.6, h * 0.14));
    p.drawRect(QRectF(box.left() + w * 0.2, box.top() + h * 0.45, w * 0.6, h * 0.4));
    p.setBrush(kTeal);
    p.drawRect(QRectF(box.left() + w * 0.28, box.top() + h * 0.55, w * 0.44, h * 0.06));
    p.drawRect(QRectF(box.left() + w * 0.28, box.top() + h * 0.68, w * 0.3, h * 0.06));
}

QPixmap Paint(int width, int height, const std::function<void(QPainter&)>& body) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    body(painter);
    return pixmap;
}

} // namespace

QPixmap LogoPixmap(int languageId) {
    if (languageId == LANG_CHINESE) {
        return Paint(180, 21, [](QPainter& p) {
            PaintMark(p, QRectF(0, 1, 19, 19));
            p.setPen(kNavy);
            p.setFont(LogoFont(14, true));
            p.drawText(QRectF(24, 0, 70, 21), Qt::AlignVCenter | Qt::AlignLeft,
                       QStringLiteral("VORTAN"));
            p.setPen(kTeal);
            p.setFont(LogoFont(14, false, true));
            p.drawText(QRectF(94, 0, 86, 21), Qt::AlignVCenter | Qt::AlignLeft,
                       QString::fromUtf8("打印机工具"));
        });
    }
    return Paint(180, 67, [](QPainter& p) {
        PaintMark(p, QRectF(1, 6, 52, 52));
        p.setPen(kNavy);
        p.setFont(LogoFont(26, true));
        p.drawText(QRectF(58, 4, 122, 34), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("VORTAN"));
        p.setPen(kTeal);
        p.setFont(LogoFont(16, true));
        p.drawText(QRectF(60, 36, 120, 24), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("Printune"));
    });
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(
            Paint(size, size, [size](QPainter& p) { PaintMark(p, QRectF(0, 0, size, size)); }));
    return icon;
}

} // namespace printune
