#include "InternetConnection.h"

#include <QFile>
#include <QNetworkInformation>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kRouteUp = 0x0001;     // RTF_UP
constexpr unsigned kRouteReject = 0x0200; // RTF_REJECT: an unreachable route, not a way out

QByteArray ReadProcFile(const char* path) {
  QFile file(QString::fromLatin1(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();  // proc files report size 0: read until the end
}

// /proc/net/route: a header line, then "Iface Destination Gateway Flags ... Mask ..." with
// hexadecimal fields; a default route has destination and mask 0.
bool HasIpv4DefaultRoute(const QString& table) {
  const QStringList lines = table.split(u'\n', Qt::SkipEmptyParts);
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QStringList f = lines[i].split(QChar(u'\t'), Qt::SkipEmptyParts);
    if (f.size() < 8) continue;
    bool ok1 = false, ok2 = false, ok3 = false;
    const unsigned destination = f[1].trimmed().toUInt(&ok1, 16);
    const unsigned flags = f[3].trimmed().toUInt(&ok2, 16);
    const unsigned mask = f[7].trimmed().toUInt(&ok3, 16);
    if (ok1 && ok2 && ok3 && destination == 0 && mask == 0 && (flags & kRouteUp) &&
        !(flags & kRouteReject))
      return true;
  }
  return false;
}

// /proc/net/ipv6_route: "destination prefixlen source srclen nexthop metric refcnt use flags
// device"; a default route is ::/0 up, not a reject route and not on the loopback device
// (the kernel keeps a ::/0 reject entry on lo on every machine).
bool HasIpv6DefaultRoute(const QString& table) {
  const QStringList lines = table.split(u'\n', Qt::SkipEmptyParts);
  for (const QString& line : lines) {
    const QStringList f = line.simplified().split(u' ');
    if (f.size() < 10) continue;
    bool ok1 = false, ok2 = false;
    const unsigned prefix = f[1].toUInt(&ok1, 16);
    const unsigned flags = f[8].toUInt(&ok2, 16);
    if (ok1 && ok2 && prefix == 0 && f[0].count(u'0') == 32 && (flags & kRouteUp) &&
        !(flags & kRouteReject) && f[9] != QLatin1String("lo"))
      return true;
  }
  return false;
}

}  // namespace

bool HasDefaultRoute(const char* ipv4RouteTable, const char* ipv6RouteTable) {
  return HasIpv4DefaultRoute(QString::fromLatin1(ipv4RouteTable ? ipv4RouteTable : "")) ||
         HasIpv6DefaultRoute(QString::fromLatin1(ipv6RouteTable ? ipv6RouteTable : ""));
}

bool InternetConnected() {
  if (const char* forced = std::getenv("TAVRO_INTERNET_CONNECTED"); forced && *forced)
    return std::strcmp(forced, "0") != 0;

  if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
    switch (QNetworkInformation::instance()->reachability()) {
      case QNetworkInformation::Reachability::Online:
      case QNetworkInformation::Reachability::Site:
        return true;
      case QNetworkInformation::Reachability::Disconnected:
      case QNetworkInformation::Reachability::Local:
        return false;
      case QNetworkInformation::Reachability::Unknown:
        break;
    }
  }
  return HasDefaultRoute(ReadProcFile("/proc/net/route").constData(),
                         ReadProcFile("/proc/net/ipv6_route").constData());
}
