#include "MapPage.h"

#include <QCoreApplication>

namespace {

constexpr std::uint16_t kChinesePrc = 2052;

}  // namespace

const char* MapPageName(std::uint16_t language) {
  return language == kChinesePrc ? "html/baidumap.html" : "html/openstreetmap.html";
}

QString MapPageLocation(std::uint16_t language) {
  return QCoreApplication::applicationDirPath() + u'/' + QString::fromLatin1(MapPageName(language));
}
