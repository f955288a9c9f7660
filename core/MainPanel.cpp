#include "core/MainPanel.h"

#include "core/RotorProfile.h"
#include "core/Version.h"

#include <QMetaEnum>

namespace {
constexpr int index(MainPanel::Item item)
{
    return static_cast<int>(item);
}
} // namespace

MainPanel::MainPanel(QObject *parent) : QObject(parent)
{
    m_texts[index(Item::Text2)] = QStringLiteral("DDE");
    m_texts[index(Item::LblDelay)] = QStringLiteral("STATUS OK");
    m_texts[index(Item::LblConfig)] = kDemoModel;
    m_texts[index(Item::TxtCom)] = QStringLiteral("COM");
    m_texts[index(Item::TBox)] = QStringLiteral("Rotor\r\n");

    m_backgrounds.fill(kWhite);
    m_backgrounds[index(Item::Text2)] = kRed;
    m_backgrounds[index(Item::Label3)] = kLightYellow;
    m_backgrounds[index(Item::LblGradi)] = kLightYellow;
    m_backgrounds[index(Item::LblDelay)] = kLightGreen;
    m_backgrounds[index(Item::LblConfig)] = kLightGrey;
    m_backgrounds[index(Item::TxtCom)] = kPink;
    m_backgrounds[index(Item::Label4)] = kLightGrey;

    m_menuEnabled.fill(true);
}

QString MainPanel::itemName(Item item)
{
    return QString::fromLatin1(QMetaEnum::fromType<Item>().valueToKey(index(item)));
}

std::optional<MainPanel::Item> MainPanel::itemFromName(const QString &name)
{
    for (int i = 0; i < kItemCount; ++i) {
        if (itemName(Item(i)) == name)
            return Item(i);
    }
    return std::nullopt;
}

QString MainPanel::menuName(Menu menu)
{
    return QString::fromLatin1(QMetaEnum::fromType<Menu>().valueToKey(static_cast<int>(menu)));
}

QString MainPanel::text(Item item) const
{
    return m_texts[index(item)];
}

void MainPanel::setText(Item item, const QString &text)
{
    QString &slot = m_texts[index(item)];
    const bool changed = slot != text;
    slot = text;
    if (changed)
        emit textChanged(item, text);
    if (item == Item::Text1)
        emit text1Set(text);
}

void MainPanel::appendTBox(const QString &chunk)
{
    if (chunk.isEmpty())
        return;
    QString &box = m_texts[index(Item::TBox)];
    // As many cuts as it takes: with chunks of up to kTBoxCut that is the one cut of old.
    qsizetype removed = 0;
    if (box.size() > kTBoxLimit)
        removed = qMin(box.size(), (box.size() - kTBoxLimit + kTBoxCut - 1) / kTBoxCut * kTBoxCut);
    const QString appended = chunk.size() > kTBoxLimit ? chunk.right(kTBoxLimit) : chunk;
    box.remove(0, removed);
    box += appended;
    emit tboxAppended(removed, appended);
}

void MainPanel::appendNote(const QString &line)
{
    const QString &box = m_texts[index(Item::TBox)];
    const bool atLineStart = box.isEmpty() || box.endsWith(u'\n');
    appendTBox((atLineStart ? QString() : QStringLiteral("\r\n")) + line + QStringLiteral("\r\n"));
}

quint32 MainPanel::background(Item item) const
{
    return m_backgrounds[index(item)];
}

void MainPanel::setBackground(Item item, quint32 rgb)
{
    if (m_backgrounds[index(item)] == rgb)
        return;
    m_backgrounds[index(item)] = rgb;
    emit backgroundChanged(item, rgb);
}

void MainPanel::setText3ReadOnly(bool readOnly)
{
    if (m_text3ReadOnly == readOnly)
        return;
    m_text3ReadOnly = readOnly;
    emit text3ReadOnlyChanged(readOnly);
}

bool MainPanel::menuEnabled(Menu menu) const
{
    return m_menuEnabled[static_cast<int>(menu)];
}

void MainPanel::setMenuEnabled(Menu menu, bool enabled)
{
    if (m_menuEnabled[static_cast<int>(menu)] == enabled)
        return;
    m_menuEnabled[static_cast<int>(menu)] = enabled;
    emit menuEnabledChanged(menu, enabled);
}

void MainPanel::updateCaption()
{
    const QString caption = QStringLiteral("DDE[") + text(Item::LblGradi) +
                            QStringLiteral("]\u00B0 SorvikDDE ") + kVersion;
    if (caption == m_caption)
        return;
    m_caption = caption;
    emit captionChanged(caption);
}
