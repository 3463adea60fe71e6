// The flicker-free label, the bitmap button and the resource drawing routine, read back as
// pixels.
#include "CBitmapButton.h"
#include "CNoFlickerStatic.h"
#include "DrawPngResource.h"
#include "WidgetFixtures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(NoFlickerStatic, PaintsTextOnButtonFaceInOneLine) {
  PatternWindow window;
  QFont font = window.font();
  font.setPixelSize(12);
  window.setFont(font);
  auto* label = new CNoFlickerStatic(&window);
  label->setGeometry(10, 10, 200, 40);
  ShowAndWait(window);
  const QRgb face = label->palette().color(QPalette::Button).rgb();

  const QImage empty = Shown(*label);
  for (int y = 0; y < empty.height(); ++y)
    for (int x = 0; x < empty.width(); ++x) ASSERT_EQ(empty.pixel(x, y), face) << x << "," << y;

  // A second line is not started: everything dark stays within the first line's height.
  label->SetDisplayText(QStringLiteral("Copying 3/10\nsecond line"));
  const QImage text = Shown(*label);
  const int lineHeight = QFontMetrics(font).height();
  int dark = 0;
  for (int y = 0; y < text.height(); ++y)
    for (int x = 0; x < text.width(); ++x)
      if (qGray(text.pixel(x, y)) < 80) {
        ++dark;
        EXPECT_LT(y, lineHeight) << "text below the first line at " << x << "," << y;
      }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(text.pixel(text.width() - 1, text.height() - 1), face);

  label->SetDisplayText(QStringLiteral("Copying 3/10\nsecond line"));
  EXPECT_EQ(Shown(*label), text) << "the same text repaints the same picture";
  label->SetDisplayText(QString());
  EXPECT_EQ(Shown(*label), empty);
}

TEST(BitmapButton, ShowsBitmapAtOwnSizeOverParent) {
  PatternWindow window;
  auto* tab = new CBitmapButton(&window);
  const QPoint origin(40, 50);
  tab->setGeometry(QRect(origin, QSize(120, 34)));
  ASSERT_TRUE(tab->LoadBitmaps(230));
  ShowAndWait(window);
  const QImage english = LoadBitmapResource(230).convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(Shown(*tab), english);

  // A Korean tab is one pixel lower; the row under it shows the window behind.
  ASSERT_TRUE(tab->LoadBitmaps(211));
  const QImage shown = Shown(*tab);
  EXPECT_EQ(shown.copy(0, 0, 120, 33), LoadBitmapResource(211).convertToFormat(QImage::Format_RGB32));
  for (int x = 0; x < 120; ++x) ASSERT_EQ(shown.pixel(x, 33), PatternAt(origin.x() + x, origin.y() + 33)) << x;

  EXPECT_FALSE(tab->LoadBitmaps(99999));
  EXPECT_EQ(Shown(*tab), PatternUnder(origin, tab->size()));
}

TEST(DrawPngResource, DrawsScaledIntoTheRectangleOnly) {
  const QImage source = LoadPngResource(171);
  ASSERT_EQ(source.size(), QSize(240, 123));
  QImage canvas(300, 200, QImage::Format_ARGB32_Premultiplied);
  const QRgb paper = qRgb(255, 0, 255);

  struct Case {
    QRect target;
  };
  const Case cases[] = {{QRect(10, 20, 240, 123)}, {QRect(5, 5, 120, 61)}, {QRect(0, 0, 300, 200)}};
  for (const Case& c : cases) {
    canvas.fill(paper);
    QPainter p(&canvas);
    EXPECT_EQ(DrawPngResource(p, 171, c.target.x(), c.target.y(), c.target.width(), c.target.height()), 0);
    p.end();
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) {
        const bool inside = c.target.contains(x, y);
        ASSERT_EQ(canvas.pixel(x, y) != paper, inside) << x << "," << y << " target " << c.target.width();
      }
    if (c.target.size() == source.size()) {
      EXPECT_EQ(canvas.copy(c.target).convertToFormat(QImage::Format_RGB32), source.convertToFormat(QImage::Format_RGB32));
    }
  }
}

TEST(DrawPngResource, MissingResourceDrawsNothing) {
  QImage canvas(50, 50, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  const QImage before = canvas;
  QPainter p(&canvas);
  EXPECT_EQ(DrawPngResource(p, 99999, 0, 0, 50, 50), 0);
  EXPECT_EQ(DrawPngResourceAtOwnSize(p, 99999, 0, 0), 0);
  EXPECT_EQ(DrawPngResource(p, 230, 0, 0, 50, 50), 0) << "a bitmap is no PNG resource";
  p.end();
  EXPECT_EQ(canvas, before);
  EXPECT_TRUE(LoadPngResource(99999).isNull());
  EXPECT_TRUE(LoadBitmapResource(99999).isNull());
}

TEST(DrawPngResource, OwnSizeDrawsFromTheTopLeftCorner) {
  const QImage source = LoadPngResource(157);
  ASSERT_EQ(source.size(), QSize(720, 405));
  QImage canvas(1000, 600, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  QPainter p(&canvas);
  DrawPngResourceAtOwnSize(p, 157, 0, 0);
  p.end();
  EXPECT_EQ(canvas.copy(0, 0, 720, 405), source.convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(canvas.pixel(720, 0), qRgb(0, 0, 0));
  EXPECT_EQ(canvas.pixel(0, 405), qRgb(0, 0, 0));
}

}  // namespace
