#include "app/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>

void QtMessageBoxes::show(Icon icon, const QString &text, const QString &title)
{
    static constexpr QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Critical,
                                                  QMessageBox::Warning, QMessageBox::Information};
    QMessageBox box(icons[int(icon)], title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtBeeper::beep()
{
    QApplication::beep();
}
