// Every image the viewer addresses by number exists at its size, and every tooltip string
// exists in both languages. Also writes contact_sheet.png (all images, labelled) into the
// test's build folder for a look at the artwork.
#include "ResourceStrings.h"
#include "ViewerConfig.h"

#include <QDir>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

struct Expected {
  const char* folder;
  int id;
  int width, height;
};

std::vector<Expected> ExpectedImages() {
  std::vector<Expected> e = {
      // main window: title bar, list-area background, title-bar buttons
      {"png", 147, 1080, 42}, {"png", 207, 360, 318},
      {"png", 262, 47, 42}, {"png", 255, 47, 42}, {"png", 148, 47, 42}, {"png", 149, 47, 42},
      {"png", 151, 38, 42}, {"png", 153, 38, 42}, {"png", 155, 38, 42},
      // front pane placeholder
      {"png", 157, 720, 405},
      // control panel: background, transport buttons, speed and volume captions
      {"png", 158, 720, 75}, {"png", 159, 38, 38}, {"png", 160, 38, 38}, {"png", 161, 38, 38},
      {"png", 162, 38, 38}, {"png", 163, 38, 38}, {"png", 164, 38, 38}, {"png", 165, 38, 38},
      {"png", 224, 56, 23}, {"png", 226, 27, 23},
      // rear pane placeholders
      {"png", 168, 360, 203}, {"png", 261, 360, 203},
      // vehicle panel
      {"png", 171, 240, 123}, {"png", 304, 240, 123}, {"png", 179, 480, 123},
      {"png", 172, 34, 38}, {"png", 173, 34, 38}, {"png", 174, 34, 38}, {"png", 175, 34, 38},
      {"png", 251, 34, 38}, {"png", 253, 34, 38}, {"png", 256, 34, 38}, {"png", 258, 34, 38},
      {"png", 240, 40, 38}, {"png", 242, 40, 38}, {"png", 246, 40, 38}, {"png", 248, 40, 38},
      {"png", 264, 34, 38}, {"png", 169, 34, 38}, {"png", 170, 34, 38},
      {"png", 177, 43, 38}, {"png", 178, 43, 38}, {"png", 285, 43, 38},
      {"png", 176, 39, 16}, {"png", 267, 40, 18}, {"png", 268, 40, 18},
      // list tabs: English, Korean, driver monitoring (both languages)
      {"bmp", 230, 120, 34}, {"bmp", 228, 120, 34}, {"bmp", 235, 120, 34}, {"bmp", 232, 120, 34},
      {"bmp", 243, 120, 34}, {"bmp", 239, 120, 34},
      {"bmp", 210, 120, 33}, {"bmp", 211, 120, 33}, {"bmp", 213, 120, 33}, {"bmp", 212, 120, 33},
      {"bmp", 215, 120, 33}, {"bmp", 214, 120, 33},
      {"bmp", 290, 120, 34}, {"bmp", 289, 120, 34},
      // rear pane headers
      {"bmp", 247, 360, 43}, {"bmp", 216, 360, 43}, {"bmp", 254, 360, 43}, {"bmp", 270, 360, 43},
      {"bmp", 217, 360, 43}, {"bmp", 269, 360, 43},
      // program icon
      {"icon", 128, 256, 256},
  };
  for (int id = 275; id <= 284; ++id) e.push_back({"png", id, 43, 38});  // speed-limit signs
  for (int d = 0; d < 10; ++d) {
    e.push_back({"png", 180 + d, 11, 18});  // large digits
    e.push_back({"png", 190 + d, 9, 12});   // small digits
  }
  for (int id = 305; id <= 314; ++id) e.push_back({"png", id, 44, 53});  // driver states
  return e;
}

QString PathOf(const char* folder, int id) {
  return QStringLiteral(":/%1/%2.png").arg(QLatin1String(folder)).arg(id);
}

TEST(Resources, EveryImageExistsAtItsSize) {
  for (const Expected& e : ExpectedImages()) {
    const QImage image(PathOf(e.folder, e.id));
    ASSERT_FALSE(image.isNull()) << e.folder << "/" << e.id;
    EXPECT_EQ(image.size(), QSize(e.width, e.height)) << e.folder << "/" << e.id;
  }
}

TEST(Resources, BitmapsAreOpaqueAndImagesDrawSomething) {
  for (const Expected& e : ExpectedImages()) {
    const QImage stored(PathOf(e.folder, e.id));
    ASSERT_FALSE(stored.isNull()) << e.id;
    const QImage image = stored.convertToFormat(QImage::Format_ARGB32);
    if (QLatin1String(e.folder) == QLatin1String("bmp")) {
      EXPECT_FALSE(stored.hasAlphaChannel()) << "bmp/" << e.id << " must be a 24-bit picture";
    }
    // No image may be blank: at least two distinct visible colours.
    std::set<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < 2; ++y)
      for (int x = 0; x < image.width() && colours.size() < 2; ++x)
        if (qAlpha(image.pixel(x, y)) > 0) colours.insert(image.pixel(x, y));
    EXPECT_EQ(colours.size(), 2u) << e.folder << "/" << e.id << " is blank";
  }
}

// Pictures that differ only in state must really differ (an active indicator is not grey).
TEST(Resources, StateVariantsDiffer) {
  const std::vector<std::vector<int>> groups = {
      {172, 173}, {174, 175}, {251, 253}, {256, 258}, {240, 242, 246, 248}, {264, 169, 170},
      {177, 178}, {305, 306}, {307, 308}, {309, 310}, {311, 312}, {313, 314}, {162, 163},
      {275, 276, 277, 278, 279, 280, 281, 282, 283, 284, 285},
      {180, 181, 182, 183, 184, 185, 186, 187, 188, 189},
      {190, 191, 192, 193, 194, 195, 196, 197, 198, 199}, {267, 268}};
  for (const auto& group : groups)
    for (size_t i = 0; i < group.size(); ++i)
      for (size_t j = i + 1; j < group.size(); ++j)
        EXPECT_NE(QImage(PathOf("png", group[i])), QImage(PathOf("png", group[j])))
            << group[i] << " and " << group[j];
  const std::vector<std::pair<int, int>> bitmaps = {{230, 228}, {235, 232}, {243, 239}, {210, 211},
                                                    {213, 212}, {215, 214}, {290, 289}, {247, 216},
                                                    {254, 270}, {217, 269}, {254, 217}};
  for (const auto& [a, b] : bitmaps)
    EXPECT_NE(QImage(PathOf("bmp", a)), QImage(PathOf("bmp", b))) << a << " and " << b;
}

TEST(Resources, TooltipStringsInBothLanguages) {
  struct Tip {
    int id;
    const char* english;
    const char* korean;
  };
  const Tip tips[] = {
      {222, "File open", "파일 열기"},   {223, "Prev file", "이전 파일"},
      {225, "Flip horizontal", "좌우 반전"}, {227, "Rewind", "되감기"},
      {229, "Play", "재생"},             {231, "Pause", "일시 정지"},
      {233, "Fast forward", "빨리 감기"}, {237, "Next file", "다음 파일"},
      {241, "Viewer switch", "화면 전환"}, {245, "Close", "프로그램 종료"},
      {249, "Version", "버전"},          {257, "Fullscreen", "전체화면"},
      {260, "Minimize", "최소화"},       {263, "Zoom in", "확대"},
      {266, "Zoom out", "축소"},
  };
  for (const Tip& t : tips) {
    EXPECT_EQ(LoadResourceString(t.id, 1033), QString::fromUtf8(t.english)) << t.id;
    EXPECT_EQ(LoadResourceString(t.id, 1042), QString::fromUtf8(t.korean)) << t.id;
    // Only Korean selects the Korean table.
    for (int language : {1041, 2052, 0})
      EXPECT_EQ(LoadResourceString(t.id, language), QString::fromUtf8(t.english)) << t.id;
  }
  for (int unknown : {0, 221, 224, 267, -1}) {
    EXPECT_TRUE(LoadResourceString(unknown, 1033).isEmpty()) << unknown;
    EXPECT_TRUE(LoadResourceString(unknown, 1042).isEmpty()) << unknown;
  }
}

TEST(Resources, StringsFollowTheInterfaceLanguage) {
  const auto saved = ui_language;
  ui_language = 1042;
  EXPECT_EQ(LoadResourceString(245), QString::fromUtf8("프로그램 종료"));
  ui_language = 1033;
  EXPECT_EQ(LoadResourceString(245), QStringLiteral("Close"));
  ui_language = saved;
}

TEST(Resources, ContactSheet) {
  const int cell = 150, label = 16, columns = 12;
  std::vector<std::pair<QString, QImage>> all;
  for (const char* folder : {"png", "bmp", "icon"}) {
    QDir dir(QStringLiteral(":/%1").arg(QLatin1String(folder)));
    QStringList names = dir.entryList(QDir::Files);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
      return a.section('.', 0, 0).toInt() < b.section('.', 0, 0).toInt();
    });
    for (const QString& name : names)
      all.emplace_back(QStringLiteral("%1/%2").arg(QLatin1String(folder), name.section('.', 0, 0)),
                       QImage(dir.filePath(name)));
  }
  ASSERT_GE(all.size(), ExpectedImages().size());
  const int rows = int(all.size() + columns - 1) / columns;
  QImage sheet(columns * cell, rows * (cell + label), QImage::Format_RGB32);
  sheet.fill(QColor(24, 24, 24));
  QPainter p(&sheet);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  QFont font;
  font.setPixelSize(11);
  p.setFont(font);
  for (size_t i = 0; i < all.size(); ++i) {
    const auto& [name, image] = all[i];
    const QRect box(int(i % columns) * cell + 4, int(i / columns) * (cell + label) + 4, cell - 8, cell - 8);
    // Small images are enlarged (by whole factors) so their pixels can be judged.
    QSize shown = image.size();
    const int factor = std::max(1, std::min(box.width() / shown.width(), box.height() / shown.height()));
    shown *= factor;
    if (shown.width() > box.width() || shown.height() > box.height())
      shown.scale(box.size(), Qt::KeepAspectRatio);
    const QRect target(box.center() - QPoint(shown.width() / 2, shown.height() / 2), shown);
    p.fillRect(target, QColor(64, 64, 64));
    p.drawImage(target, image);
    p.setPen(QColor(200, 200, 200));
    p.drawText(QRect(box.left(), box.bottom() + 2, box.width(), label), Qt::AlignCenter,
               QStringLiteral("%1  %2x%3").arg(name).arg(image.width()).arg(image.height()));
  }
  p.end();
  const QString path = QStringLiteral(TAVRO_TEST_OUTPUT_DIR "/contact_sheet.png");
  EXPECT_TRUE(sheet.save(path)) << path.toStdString();
}

}  // namespace
