/* sorvik-bench-limit DEVICE BUS_NAME: the physical limit of a poke on this machine. A plain
 * libdbus service on one thread serves Poke on /nomeForm and writes the two frames of a
 * Prosistel D drive to DEVICE (38400 baud, 8N1) with write(2) inside the handler, then answers. */
#include <dbus/dbus.h>

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

static int open_port(const char *path)
{
    int fd = open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios tio;
    if (fd < 0 || tcgetattr(fd, &tio) != 0)
        return -1;
    cfmakeraw(&tio);
    cfsetispeed(&tio, B38400);
    cfsetospeed(&tio, B38400);
    tio.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &tio) == 0 ? fd : -1;
}

static void poke(DBusConnection *bus, DBusMessage *call, int port)
{
    const char *item = NULL;
    const char *value = NULL;
    DBusError error;
    dbus_error_init(&error);
    if (!dbus_message_get_args(call, &error, DBUS_TYPE_STRING, &item, DBUS_TYPE_STRING, &value,
                               DBUS_TYPE_INVALID)) {
        DBusMessage *refusal = dbus_message_new_error(call, error.name, error.message);
        dbus_connection_send(bus, refusal, NULL);
        dbus_message_unref(refusal);
        dbus_error_free(&error);
        return;
    }
    char frame[16];
    snprintf(frame, sizeof frame, "\002AG%03u\r", (unsigned)abs(atoi(value)) % 1000u);
    if (write(port, "\002AG977\r", 7) != 7 || write(port, frame, 7) != 7)
        perror("sorvik-bench-limit: write");
    DBusMessage *answer = dbus_message_new_method_return(call);
    dbus_connection_send(bus, answer, NULL);
    dbus_message_unref(answer);
}

int main(int argc, char *argv[])
{
    if (argc != 3) {
        fprintf(stderr, "usage: sorvik-bench-limit DEVICE BUS_NAME\n");
        return 2;
    }
    const int port = open_port(argv[1]);
    if (port < 0) {
        perror("sorvik-bench-limit");
        return 1;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection *bus = dbus_bus_get(DBUS_BUS_SESSION, &error);
    if (!bus || dbus_bus_request_name(bus, argv[2], DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
                    DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        fprintf(stderr, "sorvik-bench-limit: cannot serve %s: %s\n", argv[2],
                error.message ? error.message : "not the owner");
        return 1;
    }
    while (dbus_connection_read_write(bus, -1)) {
        DBusMessage *message;
        while ((message = dbus_connection_pop_message(bus)) != NULL) {
            if (dbus_message_is_method_call(message, "org.sorvik.DDE", "Poke") &&
                strcmp(dbus_message_get_path(message), "/nomeForm") == 0)
                poke(bus, message, port);
            dbus_message_unref(message);
        }
        dbus_connection_flush(bus);
    }
    return 0;
}
