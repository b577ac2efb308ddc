// Sleep held off through logind: an inhibitor is a file descriptor that
// logind hands out, and the hold lasts until every copy of it is closed.
// Without a system bus or a logind on it (a container, a machine without
// systemd) nothing is held, and no one is told: the upgrade does not need it.
#include "upgrade/keep_awake.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusArgument>

#include <fcntl.h>
#include <unistd.h>

namespace {

// logind answers at once; a bus that does not answer must not hold up the
// exchange it was meant to protect.
constexpr int kInhibitAnswerLimitMs = 1000;

} // namespace

CKeepAwake::CKeepAwake()
{
    // Qt's D-Bus connections need the application object's event thread.
    if (!QCoreApplication::instance())
        return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "Inhibit");
    call << QString("sleep") << QString("orvi-upgrade") << QString("Upgrading the printer's firmware")
         << QString("block");
    QDBusMessage reply = bus.call(call, QDBus::Block, kInhibitAnswerLimitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return;
    QDBusUnixFileDescriptor inhibitor = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().at(0));
    if (!inhibitor.isValid())
        return;
    // The reply's copy closes with the reply; ours keeps the hold.
    m_nToken = ::fcntl(inhibitor.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

CKeepAwake::~CKeepAwake()
{
    if (m_nToken >= 0)
        ::close(m_nToken);
}
