// sorvik-bench-minimal DEVICE BUS_NAME: serves Poke on /nomeForm and writes the two frames of a
// Prosistel D drive to DEVICE (38400 baud, 8N1) inside the handler.
#include "benchmarks/poke/MinimalService.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include <cstdio>

void MinimalService::Poke(const QString &, const QString &value)
{
    const QByteArray azimuth = QByteArray::number(value.toInt()).rightJustified(3, '0');
    // Two writes, each handed to the device at once, as the program does.
    m_port.write("\002AG977\r");
    m_port.flush();
    m_port.write("\002AG" + azimuth + "\r");
    m_port.flush();
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: sorvik-bench-minimal DEVICE BUS_NAME\n");
        return 2;
    }
    QSerialPort port(args[1]);
    if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(38400) ||
        !port.setDataBits(QSerialPort::Data8) || !port.setParity(QSerialPort::NoParity) ||
        !port.setStopBits(QSerialPort::OneStop) ||
        !port.setFlowControl(QSerialPort::NoFlowControl)) {
        std::fprintf(stderr, "sorvik-bench-minimal: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    MinimalService service(port);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/nomeForm"), &service,
                            QDBusConnection::ExportScriptableSlots) ||
        !bus.registerService(args[2])) {
        std::fprintf(stderr, "sorvik-bench-minimal: cannot serve %s\n", qPrintable(args[2]));
        return 1;
    }
    return app.exec();
}
