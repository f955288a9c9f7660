#include "app/FlowLabel.h"

#include <QPainter>
#include <QTextLayout>

namespace {
// Lays the text out in the free room and returns whether all of it found a place.
bool layOut(QTextLayout &layout, QSize size, QPoint corner, int margin)
{
    const QFontMetricsF metrics(layout.font());
    const qreal right = size.width() - margin;
    qreal y = margin;
    layout.beginLayout();
    bool whole = true;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        const bool beside = corner.x() >= 0 && y + metrics.height() > corner.y();
        const qreal width = (beside ? qMin<qreal>(corner.x(), right) : right) - margin;
        line.setLineWidth(qMax<qreal>(1, width));
        line.setPosition({qreal(margin), y});
        y += line.height();
        // A word wider than its line, or a line below the bottom, does not show whole.
        if (line.naturalTextWidth() > width + 0.5 || y > size.height() - margin + 0.5)
            whole = false;
    }
    layout.endLayout();
    return whole;
}
} // namespace

void FlowLabel::setCovered(QPoint corner)
{
    m_corner = corner;
    update();
}

bool FlowLabel::fits(const QString &text, const QFont &font, QSize size, QPoint corner, int margin)
{
    QTextLayout layout(text, font);
    return layOut(layout, size, corner, margin);
}

void FlowLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    QTextLayout layout(text(), font());
    const QRect inner = contentsRect();
    layOut(layout, size(), m_corner, inner.left());
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, {0, 0});
}
