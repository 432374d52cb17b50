#include "core/discovery/DiscoveryRun.h"

#include "core/app/AppSettings.h"
#include "core/discovery/UdpSocket.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace Discovery {

QVector<InterfaceEntry> ListInterfaces()
{
    QVector<InterfaceEntry> entries;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return entries;
    }
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        InterfaceEntry e;
        e.interfaceName = QString::fromLocal8Bit(i->ifa_name);
        e.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
        e.broadcastFlag = (i->ifa_flags & IFF_BROADCAST) != 0;
        if (e.broadcastFlag && i->ifa_broadaddr && i->ifa_broadaddr->sa_family == AF_INET) {
            const auto* b = reinterpret_cast<const sockaddr_in*>(i->ifa_broadaddr);
            e.broadcast = ntohl(b->sin_addr.s_addr);
        }
        entries.push_back(e);
    }
    ::freeifaddrs(list);
    return entries;
}

uint32_t ChooseBroadcast(const QVector<InterfaceEntry>& entries)
{
    for (const InterfaceEntry& e : entries) {
        if (!e.loopback && e.broadcastFlag && e.broadcast != 0) {
            return e.broadcast;
        }
    }
    return kAllOnes;
}

Target ResolveTarget(const QString& overrideText, const QString& profilePort, uint32_t broadcast)
{
    Target t;
    bool ok = false;
    const uint port = profilePort.trimmed().toUInt(&ok, 10);
    t.port = ok && port <= 65535 ? static_cast<uint16_t>(port) : 0;
    t.address = broadcast;
    const QString text = overrideText.trimmed();
    if (text.isEmpty()) {
        t.valid = t.port != 0;
        return t;
    }
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString host = colon < 0 ? text : text.left(colon);
    if (!UdpSocket::ParseIPv4(host.toStdString(), &t.address)) {
        return Target();
    }
    if (colon >= 0) {
        const uint overridePort = text.mid(colon + 1).toUInt(&ok, 10);
        if (!ok || overridePort == 0 || overridePort > 65535) {
            return Target();
        }
        t.port = static_cast<uint16_t>(overridePort);
    }
    t.valid = t.port != 0;
    return t;
}

QString OverrideSetting()
{
    QString fromEnvironment = qEnvironmentVariable("RIVULET_DISCOVERY_TARGET");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    return AppSettings::Instance()->GetSysValue(QStringLiteral("DISCOVERY/TARGET"));
}

Outcome Run(const Target& target, const AnswerSink& sink, const std::atomic<bool>* stop, int collectMs)
{
    if (!target.valid) {
        return Outcome::SocketFailed;
    }
    UdpSocket socket;
    if (!socket.OpenBroadcast(target.port, target.address)) {
        return Outcome::SocketFailed;
    }
    socket.SetStopFlag(stop);
    const QByteArray query = QueryDatagram();
    // A failed send is not reported: the run then simply hears nothing.
    socket.Send(query.constData(), static_cast<int>(query.size()));

    bool found = false;
    QElapsedTimer clock;
    clock.start();
    unsigned char buffer[UdpSocket::kMaxDatagram];
    qint64 left = collectMs;
    while (left > 0) {
        const int n = socket.Receive(buffer, sizeof buffer, static_cast<int>(left));
        if (stop && stop->load()) {
            return Outcome::Stopped;
        }
        QString ip;
        QString name;
        if (n > 0 && ParseAnswer(buffer, n, &ip, &name)) {
            found = true;
            sink(ip, name);
        }
        left = collectMs - clock.elapsed();
    }
    return found ? Outcome::Found : Outcome::NothingFound;
}

} // namespace Discovery
