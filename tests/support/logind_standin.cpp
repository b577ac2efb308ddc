// Plays logind's sleep inhibitor on a private bus for the keep-awake tests:
//   logind_standin LOGFILE
// Owns org.freedesktop.login1 on the bus DBUS_SYSTEM_BUS_ADDRESS names and
// answers Inhibit as logind does, with the write end of a pipe. It logs
// "ready", then "inhibit WHAT WHO WHY MODE" for each call and "released"
// once every copy of that descriptor is closed.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

namespace {

FILE* g_log = nullptr;

void Log(const QString& line)
{
    std::fprintf(g_log, "%s\n", line.toUtf8().constData());
    std::fflush(g_log);
}

class Manager : public QDBusVirtualObject {
public:
    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != "org.freedesktop.login1.Manager" || message.member() != "Inhibit")
            return false;
        QStringList words;
        for (const QVariant& argument : message.arguments())
            words << argument.toString();
        Log("inhibit " + words.join(' '));
        int ends[2];
        if (::pipe(ends) != 0)
            return false;
        connection.send(message.createReply(QVariant::fromValue(QDBusUnixFileDescriptor(ends[1]))));
        ::close(ends[1]);
        auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, fd = ends[0]] {
            char byte;
            if (::read(fd, &byte, 1) <= 0) {
                Log("released");
                notifier->setEnabled(false);
                ::close(fd);
            }
        });
        return true;
    }
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2 || !(g_log = std::fopen(argv[1], "a")))
        return 2;
    QDBusConnection bus = QDBusConnection::systemBus();
    Manager manager;
    if (!bus.registerVirtualObject("/org/freedesktop/login1", &manager) ||
        !bus.registerService("org.freedesktop.login1"))
        return 1;
    Log("ready");
    return app.exec();
}
