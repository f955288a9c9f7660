#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <optional>

// The main window's visible state (texts, colours, flags) as the behaviour sets it; the window
// and the link show it and forward what the operator or the logbook changes.
class MainPanel : public QObject
{
    Q_OBJECT
public:
    // The items that carry a text, in the order the link lists them.
    enum class Item {
        Text1,
        Text2,
        Text3,
        Label3,
        LblGradi,
        LblDelay,
        LblConfig,
        TxtCom,
        TBox,
        Label4
    };
    Q_ENUM(Item)
    enum class Menu { MnuConfig, MnuGO, MnuOn, MnuOff, mnuStatus, MnuStop, MnuMap, MnuHelp };
    Q_ENUM(Menu)

    static constexpr int kItemCount = 10;
    static constexpr int kMenuCount = 8;

    // The traffic box keeps 10000 characters plus the chunk last appended: a box longer than
    // kTBoxLimit loses its head kTBoxCut characters at a time before a chunk is appended, and a
    // chunk longer than kTBoxLimit is kept by its tail.
    static constexpr qsizetype kTBoxLimit = 10000;
    static constexpr qsizetype kTBoxCut = 3000;

    // Colours as 0xRRGGBB.
    static constexpr quint32 kRed = 0xFF0000;
    static constexpr quint32 kLightRed = 0xFF8080;
    static constexpr quint32 kLightGreen = 0x80FF80;
    static constexpr quint32 kLightYellow = 0xFFFFC0;
    static constexpr quint32 kLightGrey = 0xC0C0C0;
    static constexpr quint32 kPink = 0xFFC0FF;
    static constexpr quint32 kWhite = 0xFFFFFF;

    // While one lives, the changes of the command being handled are only gathered: the link
    // announces them when the last one ends, so the command's bytes reach the wire first. Changes
    // made outside any (a controller's reply, the banner) are announced at once.
    class Hold
    {
    public:
        explicit Hold(MainPanel &panel) : m_panel(panel) { ++m_panel.m_holds; }
        ~Hold()
        {
            if (--m_panel.m_holds == 0)
                emit m_panel.released();
        }
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        MainPanel &m_panel;
    };

    explicit MainPanel(QObject *parent = nullptr);

    static QString itemName(Item item);
    // Exact names only: "Text1", not "text1" nor "MainPanel::Text1".
    static std::optional<Item> itemFromName(const QString &name);
    static QString menuName(Menu menu);

    QString text(Item item) const;
    // Every setting of Text1 announces itself through text1Set, also when the text is unchanged:
    // the logbook's repeated poke of one azimuth drives again.
    void setText(Item item, const QString &text);
    // Appends a chunk to the traffic box, within its bound.
    void appendTBox(const QString &chunk);
    // A note of the program's own in the traffic box, on a line by itself.
    void appendNote(const QString &line);

    // Background colours of the items that have one.
    quint32 background(Item item) const;
    void setBackground(Item item, quint32 rgb);

    bool text3ReadOnly() const { return m_text3ReadOnly; }
    void setText3ReadOnly(bool readOnly);

    bool menuEnabled(Menu menu) const;
    void setMenuEnabled(Menu menu, bool enabled);

    QString caption() const { return m_caption; }
    // "DDE[" + LblGradi + "]° SorvikDDE v2.3"
    void updateCaption();

    bool held() const { return m_holds > 0; }

signals:
    // Any item's new text; for the traffic box only when it is set whole.
    void textChanged(MainPanel::Item item, const QString &text);
    void text1Set(const QString &text);
    // The traffic box lost `removed` characters at its head and gained `appended` at its end.
    void tboxAppended(qsizetype removed, const QString &appended);
    void backgroundChanged(MainPanel::Item item, quint32 rgb);
    void text3ReadOnlyChanged(bool readOnly);
    void menuEnabledChanged(MainPanel::Menu menu, bool enabled);
    void captionChanged(const QString &caption);
    // The last Hold has ended.
    void released();

private:
    std::array<QString, kItemCount> m_texts;
    std::array<quint32, kItemCount> m_backgrounds{};
    std::array<bool, kMenuCount> m_menuEnabled{};
    bool m_text3ReadOnly = false;
    QString m_caption;
    int m_holds = 0;
};
