#include "core/DBusWire.h"

#include <QTest>

#include <dbus/dbus.h>

// Composed messages must be what libdbus itself reads back: every length, padding and field.
class TestDBusWire : public QObject
{
    Q_OBJECT
private slots:
    void libdbusReadsItBack_data();
    void libdbusReadsItBack();
};

void TestDBusWire::libdbusReadsItBack_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("destination");
    QTest::addColumn<QList<QByteArray>>("arguments");
    const int signal = int(DBusWire::Type::Signal);
    const int call = int(DBusWire::Type::MethodCall);
    QTest::newRow("Changed") << signal << QByteArray() << QList<QByteArray>{"Label3", "045"};
    QTest::newRow("empty value") << signal << QByteArray() << QList<QByteArray>{"TBox", ""};
    QTest::newRow("UTF-8 and the NUL stand-in")
        << signal << QByteArray() << QList<QByteArray>{"LblGradi", "DDE[45]\u00b0 \u2400"};
    QTest::newRow("lengths that need padding")
        << signal << QByteArray()
        << QList<QByteArray>{"a", QByteArray(301, 'x'), "bc", QByteArray(7, 'y')};
    QTest::newRow("a call without arguments")
        << call << QByteArray("org.sorvik.sorvikdde") << QList<QByteArray>{};
    QTest::newRow("a call") << call << QByteArray("org.sorvik.sorvikdde")
                            << QList<QByteArray>{"Text1", "225"};
}

void TestDBusWire::libdbusReadsItBack()
{
    QFETCH(int, type);
    QFETCH(QByteArray, destination);
    QFETCH(QList<QByteArray>, arguments);
    DBusWire::Message message;
    message.type = DBusWire::Type(type);
    message.serial = 7;
    message.path = "/nomeForm";
    message.interface = "org.sorvik.DDE";
    message.member = "Changed";
    message.destination = destination;
    message.arguments = arguments;
    const QByteArray wire = DBusWire::compose(message);

    DBusError error;
    dbus_error_init(&error);
    DBusMessage *read = dbus_message_demarshal(wire.constData(), int(wire.size()), &error);
    QVERIFY2(read, error.message);
    QCOMPARE(dbus_message_demarshal_bytes_needed(wire.constData(), int(wire.size())),
             int(wire.size()));
    QCOMPARE(dbus_message_get_type(read), type);
    QCOMPARE(dbus_message_get_serial(read), 7u);
    QCOMPARE(QByteArray(dbus_message_get_path(read)), message.path);
    QCOMPARE(QByteArray(dbus_message_get_interface(read)), message.interface);
    QCOMPARE(QByteArray(dbus_message_get_member(read)), message.member);
    QCOMPARE(QByteArray(dbus_message_get_destination(read)), destination);
    QList<QByteArray> got;
    DBusMessageIter it;
    if (dbus_message_iter_init(read, &it)) {
        do {
            QCOMPARE(dbus_message_iter_get_arg_type(&it), DBUS_TYPE_STRING);
            const char *text = nullptr;
            dbus_message_iter_get_basic(&it, &text);
            got.append(QByteArray(text));
        } while (dbus_message_iter_next(&it));
    }
    dbus_message_unref(read);
    QCOMPARE(got, arguments);
}

QTEST_GUILESS_MAIN(TestDBusWire)
#include "tst_dbuswire.moc"
