// sorvik-bench-ticker: a program that only runs a 1 ms timer; what an idle program is held
// against.
#include <QCoreApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.start(1);
    return app.exec();
}
