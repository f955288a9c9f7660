#pragma once

#include "app/MainPanel.h"
#include "app/MainWindowView.h"

#include <QHash>
#include <QMainWindow>

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The main window: shows the panel's state and forwards the operator's commands.
class FrmSorvikDDE : public QMainWindow, public MainWindowView
{
    Q_OBJECT
public:
    explicit FrmSorvikDDE(MainPanel &panel, QWidget *parent = nullptr);

    int twipsToPixels(int twips) const;
    int pixelsToTwips(int pixels) const;

    // MainWindowView
    int top() const override;
    int left() const override;
    void moveTo(int top, int left) override;
    QSize size() const override;
    void setOuterHeight(int height) override;
    QSize screenSize() const override;
    void showInFront() override;
    void focusTBox() override;
    void setOnTop(bool onTop) override;
    void requestClose() override;

signals:
    void menuTriggered(MainPanel::Menu menu);
    // ENTER in the manual box.
    void text3Enter();
    void check1Clicked(bool checked);
    // The window is closing, whatever asked for it.
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *place(QWidget *widget, const QString &name, int left, int top, int width, int height,
                   const QString &toolTip = {});
    void showText(MainPanel::Item item, const QString &text);
    void showColours(MainPanel::Item item);

    MainPanel &m_panel;
    QHash<MainPanel::Item, QWidget *> m_items;
    QHash<MainPanel::Menu, QAction *> m_menus;
    QLineEdit *m_text3 = nullptr;
    QPlainTextEdit *m_tbox = nullptr;
    QCheckBox *m_check1 = nullptr;
};
