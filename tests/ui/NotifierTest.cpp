// The engine's notifications on the Qt side: each message number reaches the window that handles
// it, as a posted event carrying its parameters and its own copy of the text, in posting order,
// also when posted from another thread.
#include "CViewerCtlDlg.h"
#include "QtPlayerNotifier.h"
#include "ViewerMessage.h"

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Received {
  std::string receiver;
  unsigned message;
  int64_t wparam, lparam;
  std::string text;
};

class Recorder : public QObject {
public:
  Recorder(std::string name, std::vector<Received>& log) : name_(std::move(name)), log_(log) {}

protected:
  bool event(QEvent* e) override {
    if (e->type() != ViewerMessage::eventType()) return QObject::event(e);
    const auto* m = static_cast<ViewerMessage*>(e);
    log_.push_back({name_, m->message, m->wparam, m->lparam, m->text});
    return true;
  }

private:
  std::string name_;
  std::vector<Received>& log_;
};

TEST(QtPlayerNotifier, RoutesEveryMessageToItsReceiverInOrder) {
  std::vector<Received> log;
  Recorder mainWindow("main", log), vehicle("vehicle", log), owner("owner", log);
  QtPlayerNotifier notifier;
  notifier.mainWindow = &mainWindow;
  notifier.vehiclePanel = &vehicle;

  const struct {
    unsigned message;
    int64_t wparam, lparam;
    const char* text;
    const char* receiver;
  } cases[] = {
      {0x416, 0, 0, "", "vehicle"},
      {0x41B, 2, 0, "", "owner"},
      {0x414, 437, 0, "", "owner"},
      {0x415, 0, 3725, "", "owner"},
      {0x416, 0, 1, "0,1,2,3,4,5 telemetry", "vehicle"},
      {0x418, 0, 0, "", "owner"},
      {0x419, 1, 0, "", "main"},
  };
  // Posted from another thread, as the engine does.
  std::thread engine([&] {
    for (const auto& c : cases) notifier.post(PlayerMessage{c.message, c.wparam, c.lparam, c.text, &owner});
  });
  engine.join();
  QCoreApplication::sendPostedEvents();

  ASSERT_EQ(log.size(), std::size(cases));
  for (size_t i = 0; i < log.size(); ++i) {
    EXPECT_EQ(log[i].receiver, cases[i].receiver) << i;
    EXPECT_EQ(log[i].message, cases[i].message) << i;
    EXPECT_EQ(log[i].wparam, cases[i].wparam) << i;
    EXPECT_EQ(log[i].lparam, cases[i].lparam) << i;
    EXPECT_EQ(log[i].text, cases[i].text) << i;
  }
}

TEST(QtPlayerNotifier, DurationReachesThePanelOnTheUserInterfaceThread) {
  CViewerCtlDlg panel;
  QtPlayerNotifier notifier;
  notifier.controlPanel = &panel;
  std::thread engine([&] { notifier.set_duration(3725LL * 1000000); });
  engine.join();
  auto* total = panel.findChild<QLabel*>(QStringLiteral("ctl1013"));
  EXPECT_EQ(total->text(), "00:00:00") << "applied on the engine's thread";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(total->text(), "01:02:05");
}

}  // namespace
