// The skinned slider: the jump-to-click rule, the one notification per click, dragging, and
// its look read back from a real window.
#include "CMySliderControl.h"
#include "WidgetFixtures.h"

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <utility>

namespace {

TEST(SliderClickRule, Table) {
  struct Case {
    int x, left, right, minimum, maximum, current, want;
  };
  const Case cases[] = {
      {50, 0, 101, 0, 1000, 7, 500},     // span 100: the middle is 500
      {-1, 0, 101, 0, 1000, 7, 0},       // left of the channel: minimum
      {0, 0, 101, 0, 1000, 7, 0},        // first channel pixel
      {100, 0, 101, 0, 1000, 7, 1000},   // last channel pixel: maximum
      {101, 0, 101, 0, 1000, 7, 999},    // at the right edge: maximum - 1
      {500, 0, 101, 0, 1000, 7, 999},    // far right
      {1, 0, 101, 0, 1000, 7, 10},
      {33, 10, 110, 0, 128, 7, 30},      // (128 * 23 + 49) / 99, rounded to the nearest step
      {29, 10, 30, 0, 350, 7, 350},      // last pixel of a 20-pixel channel
      {20, 10, 30, 0, 350, 7, 184},      // (350 * 10 + 9) / 19
      {50, 0, 101, 5, 5, 7, 7},          // empty range: kept inside the channel
      {50, 0, 101, 9, 5, 7, 7},          // inverted range: kept
      {-5, 0, 101, 5, 5, 7, 5},          // ... but left of the channel still the minimum
      {50, 50, 50, 0, 1000, 7, 7},       // empty channel: kept everywhere
      {-5, 60, 50, 0, 1000, 7, 7},
      {50, 50, 51, 0, 1000, 7, 1000},    // one-pixel channel: its pixel is the last
      {50, 0, 101, -1000, 1000, 0, 0},   // negative minimum
      {100, 0, 101, INT_MIN / 2, INT_MAX / 2, 0, INT_MAX / 2},  // no overflow in the product
  };
  for (const Case& c : cases)
    EXPECT_EQ(CMySliderControl::PositionForClick(c.x, c.left, c.right, c.minimum, c.maximum, c.current), c.want)
        << "x " << c.x << " channel " << c.left << ".." << c.right << " range " << c.minimum << ".." << c.maximum;
}

const QPoint kOrigin(20, 30);

class SliderTest : public ::testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<PatternWindow>();
    slider = new CMySliderControl(window.get());
    // 117 pixels wide: a 101-pixel channel (span 100).
    slider->setGeometry(QRect(kOrigin, QSize(117, 20)));
    slider->setRange(0, 1000);
    slider->setValue(300);
    ShowAndWait(*window);
  }

  int Y() const { return slider->height() / 2; }

  std::unique_ptr<PatternWindow> window;
  CMySliderControl* slider = nullptr;
};

TEST_F(SliderTest, ChannelSpans101Pixels) {
  const auto c = slider->ChannelRect();
  EXPECT_EQ(c.right - c.left, 101);
}

TEST_F(SliderTest, ClicksJumpAndPostOneNotificationEach) {
  const auto c = slider->ChannelRect();
  struct Case {
    int x, want;
  };
  const Case cases[] = {
      {c.left - 1, 0}, {c.left + 50, 500}, {c.right - 1, 1000}, {c.right, 999},
      {c.left + 50, 500},  // the same position again: still notified
      {c.left + 10, 100}, {slider->width() - 1, 999}, {0, 0},
  };
  for (const Case& k : cases) {
    QSignalSpy scroll(slider, &CMySliderControl::HScroll);
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(k.x, Y()));
    EXPECT_EQ(slider->value(), k.want) << "x " << k.x;
    EXPECT_EQ(scroll.count(), 0) << "the notification is posted, not sent";
    QCoreApplication::processEvents();
    ASSERT_EQ(scroll.count(), 1) << "x " << k.x;
    EXPECT_EQ(scroll[0][0].toInt(), 0);
    EXPECT_EQ(scroll[0][1].toInt(), 4);
  }
}

TEST_F(SliderTest, EmptyRangeKeepsPositionButStillNotifies) {
  slider->setRange(5, 5);
  QSignalSpy scroll(slider, &CMySliderControl::HScroll);
  for (int x : {slider->ChannelRect().left + 50, slider->ChannelRect().right + 2}) {
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(x, Y()));
    EXPECT_EQ(slider->value(), 5);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(scroll.count(), 2);
}

TEST_F(SliderTest, DraggingTheThumbReportsThumbTrack) {
  const auto c = slider->ChannelRect();
  QSignalSpy scroll(slider, &CMySliderControl::HScroll);
  QSignalSpy moved(slider, &QSlider::sliderMoved);
  QTest::mousePress(slider, Qt::LeftButton, {}, QPoint(c.left + 20, Y()));  // jumps to 200
  ASSERT_EQ(slider->value(), 200);
  EXPECT_TRUE(slider->isSliderDown()) << "the press lands on the moved thumb and drags it";
  QTest::mouseMove(slider, QPoint(c.left + 70, Y()));
  QTest::mouseMove(slider, QPoint(c.right + 30, Y()));
  QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(c.right + 30, Y()));
  QCoreApplication::processEvents();
  EXPECT_FALSE(slider->isSliderDown());
  EXPECT_EQ(slider->value(), 1000) << "dragging past the end reaches the maximum";
  ASSERT_EQ(scroll.count(), 3);
  EXPECT_EQ(scroll[0][0].toInt(), 5);
  EXPECT_EQ(scroll[0][1].toInt(), 700);
  EXPECT_EQ(scroll[1][0].toInt(), 5);
  EXPECT_EQ(scroll[1][1].toInt(), 1000);
  EXPECT_EQ(scroll[2][0].toInt(), 0);  // the click notification, delivered last
  EXPECT_EQ(scroll[2][1].toInt(), 4);
  EXPECT_EQ(moved.count(), 2);
}

TEST_F(SliderTest, LooksLikeFrameAndThumbOverParentBackground) {
  slider->setValue(0);
  const QImage shown = Shown(*slider);
  const auto c = slider->ChannelRect();
  const QRgb frame = qRgb(100, 100, 100);
  // Away from channel and thumb: the parent's background.
  for (QPoint at : {QPoint(0, 0), QPoint(60, 1), QPoint(116, 19), QPoint(60, 18)})
    EXPECT_EQ(shown.pixel(at), PatternAt(kOrigin.x() + at.x(), kOrigin.y() + at.y())) << at.x() << "," << at.y();
  // The frame runs one pixel inside the channel rectangle; inside it the background shows.
  EXPECT_EQ(shown.pixel(60, c.top + 1), frame);
  EXPECT_EQ(shown.pixel(60, c.bottom - 2), frame);
  EXPECT_EQ(shown.pixel(c.right - 2, c.top + 2), frame);
  EXPECT_EQ(shown.pixel(60, c.top + 2), PatternAt(kOrigin.x() + 60, kOrigin.y() + c.top + 2));
  EXPECT_EQ(shown.pixel(60, c.top), PatternAt(kOrigin.x() + 60, kOrigin.y() + c.top));
  // The thumb sits on the minimum and is light grey in its middle.
  const QRect thumb = slider->ThumbRect();
  EXPECT_EQ(thumb.center().x(), c.left);
  EXPECT_EQ(shown.pixel(thumb.center()), qRgb(184, 184, 184));
  // It follows the position.
  slider->setValue(1000);
  EXPECT_EQ(slider->ThumbRect().center().x(), c.right - 1);
  EXPECT_EQ(Shown(*slider).pixel(slider->ThumbRect().center()), qRgb(184, 184, 184));
}

TEST_F(SliderTest, PressedThumbUsesHighlightColour) {
  QTest::mousePress(slider, Qt::LeftButton, {}, slider->ThumbRect().center());
  ASSERT_TRUE(slider->isSliderDown());
  const QRgb pressed = Shown(*slider).pixel(slider->ThumbRect().center());
  EXPECT_EQ(pressed, slider->palette().color(QPalette::Light).rgb());
  EXPECT_NE(pressed, qRgb(184, 184, 184));
  QTest::mouseRelease(slider, Qt::LeftButton, {}, slider->ThumbRect().center());
  EXPECT_EQ(Shown(*slider).pixel(slider->ThumbRect().center()), qRgb(184, 184, 184));
}

// Marks land on the column of their position, above and through the channel, under the thumb,
// and hovering near one shows its text.
TEST_F(SliderTest, MarksShowAtTheirColumnsWithTheirTexts) {
  slider->setValue(1000);
  const QColor red(230, 58, 48), orange(245, 150, 35);
  slider->SetMarks({{0, red, QStringLiteral("first")}, {250, orange, QStringLiteral("second")},
                    {600, red, QStringLiteral("third")}, {1000, orange, QStringLiteral("under the thumb")}});
  const QImage shown = Shown(*slider);
  const auto c = slider->ChannelRect();
  EXPECT_EQ(slider->ColumnOf(250), c.left + 25);
  for (const auto& [position, colour] : {std::pair{0, red}, std::pair{250, orange}, std::pair{600, red}}) {
    const int x = slider->ColumnOf(position);
    for (int dx : {-1, 0, 1})
      for (int y : {1, c.top - 1, c.top + 2})
        EXPECT_EQ(shown.pixel(x + dx, y), colour.rgb()) << position << " at " << x + dx << "," << y;
    EXPECT_EQ(shown.pixel(x + 2, 1), PatternAt(kOrigin.x() + x + 2, kOrigin.y() + 1)) << "3 pixels wide";
  }
  EXPECT_EQ(shown.pixel(slider->ThumbRect().center()), qRgb(184, 184, 184)) << "the thumb stays on top";

  const struct {
    int x;
    const char* text;  // empty: no tip
  } hovers[] = {{slider->ColumnOf(250) + 2, "second"}, {slider->ColumnOf(600) - 3, "third"}, {c.left + 45, ""}};
  for (const auto& h : hovers) {
    QHelpEvent help(QEvent::ToolTip, QPoint(h.x, Y()), slider->mapToGlobal(QPoint(h.x, Y())));
    QCoreApplication::sendEvent(slider, &help);
    for (int i = 0; i < 80 && !*h.text && QToolTip::isVisible(); ++i) QTest::qWait(25);  // hiding is deferred
    EXPECT_EQ(QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string(), h.text) << "x " << h.x;
  }
  slider->SetMarks({});
  EXPECT_EQ(Shown(*slider).pixel(slider->ColumnOf(250), 1), PatternAt(kOrigin.x() + slider->ColumnOf(250), kOrigin.y() + 1));
}

}  // namespace
