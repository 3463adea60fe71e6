// The interface language of the session decides the panes from the moment they are built: the
// main window chooses it before it builds them, as the program starts.
#include "CBitmapButton.h"
#include "CRearViewerDlg.h"
#include "CVRANViewerDlg.h"
#include "CViewerCtlDlg.h"
#include "CWebBrowser2.h"
#include "ResourceStrings.h"
#include "ViewerConfig.h"

#include <QAbstractButton>
#include <QTest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>
#include <string>

namespace {

constexpr int kKorean = 1042;

class SessionLanguage : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"LANGUAGE", "TAVRO_INTERNET_CONNECTED"})
      if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
  }
  void TearDown() override {
    window_.reset();
    unsetenv("LANGUAGE");
    unsetenv("TAVRO_INTERNET_CONNECTED");
    for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    ui_language = 1033;
  }

  // The main window as the program builds it, in a session whose language is `locale`.
  void Start(const char* locale) {
    setenv("LANGUAGE", locale, 1);
    window_ = std::make_unique<CVRANViewerDlg>();
    window_->OnInitDialog();
  }

  CBitmapButton* ViewerHeader() const {
    return window_->m_pRearViewer->findChild<CBitmapButton*>(QStringLiteral("ctl1018"));
  }
  CBitmapButton* MapHeader() const {
    return window_->m_pRearViewer->findChild<CBitmapButton*>(QStringLiteral("ctl1020"));
  }

  std::unique_ptr<CVRANViewerDlg> window_;
  std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(SessionLanguage, KoreanSessionShowsKoreanRearHeadersAndControlPanelTooltips) {
  Start("ko_KR.UTF-8");
  ASSERT_EQ(ui_language, kKorean);
  EXPECT_EQ(ViewerHeader()->BitmapId(), 217) << "Rear Camera, in Korean";
  EXPECT_EQ(MapHeader()->BitmapId(), 216) << "Map, in Korean";

  // Open, previous, rewind, play (offering Pause), fast forward, next.
  const struct {
    int control, text;
  } tips[] = {{1004, 222}, {1005, 223}, {1006, 227}, {1007, 231}, {1008, 233}, {1009, 237}};
  for (const auto& tip : tips) {
    auto* button = window_->m_pViewerCtl->findChild<QWidget*>(QStringLiteral("ctl%1").arg(tip.control));
    ASSERT_TRUE(button) << tip.control;
    EXPECT_EQ(button->toolTip().toStdString(), LoadResourceString(tip.text, kKorean).toStdString()) << tip.control;
  }
}

TEST_F(SessionLanguage, SwitchTwiceInKoreanShowsFrontThenRearCameraCaption) {
  Start("ko");
  auto* swap = qobject_cast<QAbstractButton*>(window_->control(CVRANViewerDlg::kSwitch));
  ASSERT_TRUE(swap);
  swap->setEnabled(true);
  swap->click();
  EXPECT_EQ(ViewerHeader()->BitmapId(), 269) << "Front Camera, in Korean";
  swap->click();
  EXPECT_EQ(ViewerHeader()->BitmapId(), 217) << "Rear Camera, in Korean";
}

TEST_F(SessionLanguage, ChinesePrcSessionLoadsTheAlternativeMapPage) {
  setenv("TAVRO_INTERNET_CONNECTED", "1", 1);
  Start("zh_CN.UTF-8");
  CWebBrowser2* browser = window_->m_pRearViewer->browser();
  ASSERT_TRUE(browser);
  QString page;
  const bool requested = QTest::qWaitFor([&] {
    page = browser->url().toLocalFile();
    if (page.isEmpty()) page = browser->page()->requestedUrl().toLocalFile();
    return !page.isEmpty();
  }, 10000);
  ASSERT_TRUE(requested);
  EXPECT_TRUE(page.endsWith(QStringLiteral("html/baidumap.html"))) << page.toStdString();
}

}  // namespace
