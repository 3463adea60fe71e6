#include "MapPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr std::uint16_t kChinesePrc = 2052;

}  // namespace

const char* MapPageName(std::uint16_t language) {
  return language == kChinesePrc ? "html/baidumap.html" : "html/openstreetmap.html";
}

QString MapPageLocation(std::uint16_t language) {
  const QString page = QString::fromLatin1(MapPageName(language));
  const QString dir = QCoreApplication::applicationDirPath();
  const QString beside = dir + u'/' + page;
  if (QFileInfo::exists(beside)) return beside;
  // An installed viewer: <prefix>/bin/tavro-viewer finds its pages in <prefix>/share/tavro-viewer.
  const QString installed = QDir::cleanPath(dir + QStringLiteral("/../share/tavro-viewer/") + page);
  return QFileInfo::exists(installed) ? installed : beside;
}
