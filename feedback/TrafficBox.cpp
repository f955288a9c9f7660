#include "feedback/TrafficBox.h"

#include "app/MainPanel.h"

namespace TrafficBox {

QString cut(const QString &text)
{
    return text.size() > kLimit ? text.mid(kCut) : text;
}

void append(MainPanel &panel, const QString &chunk)
{
    const QString current = panel.text(MainPanel::Item::TBox);
    if (current.size() > kLimit)
        panel.setText(MainPanel::Item::TBox, cut(current));
    panel.appendTBox(chunk);
}

void appendLine(MainPanel &panel, const QString &line)
{
    const QString current = panel.text(MainPanel::Item::TBox);
    const bool atLineStart = current.isEmpty() || current.endsWith(u'\n');
    append(panel,
           (atLineStart ? QString() : QStringLiteral("\r\n")) + line + QStringLiteral("\r\n"));
}

} // namespace TrafficBox
