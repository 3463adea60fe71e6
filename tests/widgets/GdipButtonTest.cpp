// Image buttons read back from real windows: the pictures of each state, the captured parent
// background, toggle mode and how clicks are counted.
#include "CGdipButton.h"
#include "DrawPngResource.h"
#include "WidgetFixtures.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

class EventCounter : public QObject {
public:
  EventCounter(QObject* target, QEvent::Type type) : type(type) { target->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == type) ++count;
    return false;
  }
  QEvent::Type type;
  int count = 0;
};

constexpr int kPause = 163, kPlay = 162;  // transport key images with transparent corners
const QPoint kOrigin(30, 20);
const QPoint kOutside(300, 180);

class GdipButtonTest : public ::testing::Test {
protected:
  void SetUp() override {
    window = std::make_unique<PatternWindow>();
    button = new CGdipButton(window.get());
    button->setGeometry(QRect(kOrigin, QSize(38, 38)));
    QTest::mouseMove(window.get(), kOutside);
  }

  // The pointer may rest where an earlier test left it: keep it off the button so that the
  // first picture is the normal one, not the hover one.
  void Show() {
    ShowAndWait(*window);
    MoveAway();
  }
  void MoveAway() { QTest::mouseMove(window.get(), kOutside); }
  QPoint Centre() const { return QPoint(19, 19); }

  // The normal picture of an image: the pattern under the button with the image over it.
  QImage Normal(int id) const { return Over(PatternUnder(kOrigin, button->size()), LoadPngResource(id), {0, 0}); }

  std::unique_ptr<PatternWindow> window;
  CGdipButton* button = nullptr;
};

TEST_F(GdipButtonTest, NormalPictureIsImageOverCapturedBackground) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  Show();
  const QImage shown = Shown(*button);
  EXPECT_LE(MaxDistance(shown, Normal(kPause)), 1);
  // The image's transparent corner shows the parent exactly.
  EXPECT_EQ(shown.pixel(0, 0), PatternAt(kOrigin.x(), kOrigin.y()));
  EXPECT_EQ(shown.pixel(37, 37), PatternAt(kOrigin.x() + 37, kOrigin.y() + 37));
}

TEST_F(GdipButtonTest, HoverBrightensByTheColourMatrixAndLeaveRestores) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  Show();
  QTest::mouseMove(button, Centre());
  ASSERT_TRUE(QTest::qWaitFor([&] { return button->IsHovering(); }, 2000));
  const QImage hover = Shown(*button);
  const QImage image = LoadPngResource(kPause).convertToFormat(QImage::Format_ARGB32);
  int opaque = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = image.pixel(x, y);
      if (qAlpha(c) == 0) {
        EXPECT_EQ(hover.pixel(x, y), PatternAt(kOrigin.x() + x, kOrigin.y() + y)) << x << "," << y;
      } else if (qAlpha(c) == 255) {
        ++opaque;
        const auto lift = [](int v) { return std::min(255, int(std::lround(v * 1.05 + 0.05 * 255))); };
        const QRgb want = qRgb(lift(qRed(c)), lift(qGreen(c)), lift(qBlue(c)));
        EXPECT_LE(ChannelDistance(hover.pixel(x, y), want), 1) << x << "," << y;
      }
    }
  EXPECT_GT(opaque, 100);
  MoveAway();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !button->IsHovering(); }, 2000));
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

TEST_F(GdipButtonTest, PressShiftsImageOnePixelRightAndDown) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  Show();
  QTest::mousePress(button, Qt::LeftButton, {}, Centre());
  const QImage pressed = Shown(*button);
  const QImage want = Over(PatternUnder(kOrigin, button->size()), LoadPngResource(kPause), {1, 1});
  EXPECT_LE(MaxDistance(pressed, want), 1);
  EXPECT_GT(MaxDistance(pressed, Normal(kPause)), 20);
  QTest::mouseRelease(button, Qt::LeftButton, {}, Centre());
  MoveAway();
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

TEST_F(GdipButtonTest, ToggleModeFlipsImagesOnEveryClick) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  ASSERT_TRUE(button->LoadAlternateImage(kPlay));
  button->EnableToggleMode(true);
  Show();
  QSignalSpy clicks(button, &QAbstractButton::clicked);
  const int expected[] = {kPlay, kPause, kPlay};
  for (int want : expected) {
    QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
    MoveAway();
    EXPECT_LE(MaxDistance(Shown(*button), Normal(want)), 1) << "after click " << clicks.count();
  }
  EXPECT_EQ(clicks.count(), 3);
  EXPECT_TRUE(button->IsToggled());
}

TEST_F(GdipButtonTest, ToggleModeWithoutAlternateImageChangesNothing) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  button->EnableToggleMode(true);
  Show();
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
  MoveAway();
  EXPECT_FALSE(button->IsToggled());
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

// A press that slides off the button and is released outside is no click, so it must not
// leave the play/pause image out of step with what was clicked.
TEST_F(GdipButtonTest, PressReleasedOutsideKeepsToggleState) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  ASSERT_TRUE(button->LoadAlternateImage(kPlay));
  button->EnableToggleMode(true);
  Show();
  QSignalSpy clicks(button, &QAbstractButton::clicked);
  QTest::mousePress(button, Qt::LeftButton, {}, Centre());
  EXPECT_LE(MaxDistance(Shown(*button), Over(PatternUnder(kOrigin, button->size()), LoadPngResource(kPlay), {1, 1})), 1)
      << "the pressed picture shows the set the click will switch to";
  QTest::mouseMove(button, QPoint(100, 100));
  QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(100, 100));
  MoveAway();
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_FALSE(button->IsToggled());
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

TEST_F(GdipButtonTest, DoubleClickCountsAsTwoClicks) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  ASSERT_TRUE(button->LoadAlternateImage(kPlay));
  button->EnableToggleMode(true);
  Show();
  QSignalSpy clicks(button, &QAbstractButton::clicked);
  EventCounter doubleClicks(button, QEvent::MouseButtonDblClick);
  // Through the window system, so that Qt itself turns the second press into a double click.
  QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, kOrigin + Centre());
  QCoreApplication::processEvents();
  EXPECT_EQ(doubleClicks.count, 1);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_FALSE(button->IsToggled()) << "two clicks toggle twice";
}

TEST_F(GdipButtonTest, DisabledButtonLooksTheSameAndIgnoresClicks) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  button->setEnabled(false);
  Show();
  QSignalSpy clicks(button, &QAbstractButton::clicked);
  QTest::mouseMove(button, Centre());
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

TEST_F(GdipButtonTest, BackgroundIsCapturedOnceAtFirstPaint) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  Show();
  ASSERT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
  window->solid = true;
  window->update();
  const QImage shown = Shown(*button);
  EXPECT_LE(MaxDistance(shown, Normal(kPause)), 1) << "the button keeps the first background";
  // ... while the window around it did change.
  EXPECT_EQ(window->grab(QRect(0, 0, 1, 1)).toImage().pixel(0, 0), qRgb(0, 0, 0));
}

// Inside a pane that paints nothing of its own, the window behind the pane shows through;
// a pane that fills its background hides the window.
TEST(GdipButtonNested, BackgroundComesFromEveryAncestor) {
  for (bool paneFills : {false, true}) {
    PatternWindow window;
    auto* pane = new QWidget(&window);
    pane->setGeometry(50, 40, 200, 100);
    pane->setAutoFillBackground(paneFills);
    QPalette palette = pane->palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    pane->setPalette(palette);
    auto* button = new CGdipButton(pane);
    button->setGeometry(12, 8, 38, 38);
    ASSERT_TRUE(button->LoadStandardImage(kPause));
    ShowAndWait(window);
    const QImage shown = Shown(*button);
    const QRgb want = paneFills ? qRgb(10, 200, 30) : PatternAt(50 + 12, 40 + 8);
    EXPECT_EQ(shown.pixel(0, 0), want) << "pane fills: " << paneFills;
  }
}

TEST_F(GdipButtonTest, MissingImageFailsAndPaintsNothing) {
  EXPECT_FALSE(button->LoadStandardImage(99999));
  EXPECT_FALSE(button->LoadStandardImage(kPause, "ICON"));
  Show();
  EXPECT_EQ(MaxDistance(Shown(*button), PatternUnder(kOrigin, button->size())), 0);
}

TEST_F(GdipButtonTest, FlipToggleStateSwitchesTheSetWithoutAClick) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  ASSERT_TRUE(button->LoadAlternateImage(kPlay));
  button->EnableToggleMode(true);
  Show();
  QCoreApplication::processEvents();
  button->FlipToggleState();
  EXPECT_TRUE(button->IsToggled());
  // Later paints show the normal picture of the new set.
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPlay)), 1);
  // The next click goes back to the standard set.
  QTest::mouseClick(button, Qt::LeftButton, {}, Centre());
  MoveAway();
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

// Flipping a button that has no alternate image keeps showing the standard image rather
// than an empty picture.
TEST_F(GdipButtonTest, FlipWithoutAlternateImageKeepsStandardImage) {
  ASSERT_TRUE(button->LoadStandardImage(kPause));
  Show();
  button->FlipToggleState();
  EXPECT_LE(MaxDistance(Shown(*button), Normal(kPause)), 1);
}

TEST(GdipButtonHover, ColourMatrixOnChannelValues) {
  const std::pair<int, int> cases[] = {{0, 13}, {100, 118}, {184, 206}, {230, 254}, {231, 255}, {255, 255}};
  for (const auto& [in, out] : cases) EXPECT_EQ(CGdipButton::HoverChannel(in), out) << in;
}

}  // namespace
