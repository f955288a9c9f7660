#pragma once

#include <QLabel>
#include <QRect>

// A label whose text flows around a corner that other controls cover: lines run the full width
// above the corner and stop short of it beside it (LblConfig, with the check box and TxtCom in
// its lower right). Its text is shown whole when fits() says so.
class FlowLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The covered corner in the label's own coordinates: from this left edge rightwards and
    // from this top edge down.
    void setCovered(QPoint corner);
    // Whether the whole text shows in a label of this size with the corner covered.
    static bool fits(const QString &text, const QFont &font, QSize size, QPoint corner, int margin);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPoint m_corner{-1, -1};
};
