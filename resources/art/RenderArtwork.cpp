// Build step: draws every image of the catalogue into <output folder>/<png|bmp|icon>/<id>.png
// and writes the resource collection file artwork.qrc that embeds them.
#include "ArtworkCatalog.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QSet>
#include <QTextStream>

#include <cstdio>

namespace {

const char* FolderOf(ArtKind kind) {
  switch (kind) {
    case ArtKind::Png: return "png";
    case ArtKind::Bitmap: return "bmp";
    case ArtKind::Icon: return "icon";
  }
  return "png";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  // Text needs a font database, which needs a GUI application; no display is used. Qt's
  // notes about the build machine's session (no runtime folder and the like) are not ours
  // to report; this tool's own failures go to stderr below.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(message));
  });
  QGuiApplication app(argc, argv);
  const QDir out(QString::fromLocal8Bit(argv[1]));

  QString qrc;
  QTextStream xml(&qrc);
  xml << "<RCC>\n  <qresource prefix=\"/\">\n";
  QSet<QString> seen;
  for (const ArtworkItem& item : AllArtwork()) {
    const QString name = QStringLiteral("%1/%2.png").arg(FolderOf(item.kind)).arg(item.id);
    if (seen.contains(name)) {
      std::fprintf(stderr, "artwork %s is defined twice\n", qPrintable(name));
      return 1;
    }
    seen.insert(name);
    const bool opaque = item.kind == ArtKind::Bitmap;
    QImage image(item.size, opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
    image.fill(opaque ? Qt::black : Qt::transparent);
    {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing);
      p.setRenderHint(QPainter::TextAntialiasing);
      item.paint(p, QSizeF(item.size));
    }
    if (!out.mkpath(QString::fromLatin1(FolderOf(item.kind))) ||
        !image.save(out.filePath(name), "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
      return 1;
    }
    xml << "    <file>" << name << "</file>\n";
  }
  xml << "  </qresource>\n</RCC>\n";
  xml.flush();

  QFile file(out.filePath(QStringLiteral("artwork.qrc")));
  const QByteArray bytes = qrc.toUtf8();
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
    return 1;
  }
  return 0;
}
