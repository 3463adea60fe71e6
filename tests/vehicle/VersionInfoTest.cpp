#include "VersionInfo.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <string>

TEST(VersionInfo, FileVersionWords) {
  struct Case {
    uint32_t ms, ls;
    const char* text;
  };
  const Case cases[] = {
      {0x00010002, 0x00030004, "1.2.3.4"},
      {0x000A0000, 0x000C012C, "10.0.12.300"},
      {0xFFFF0000, 0x0000FFFF, "65535.0.0.65535"},
  };
  for (const Case& c : cases) EXPECT_EQ(VersionInfo::FormatFileVersion(c.ms, c.ls), c.text);
}

TEST(VersionInfo, ProgramVersionIsTheProjectVersion) {
  VersionInfo info;
  info.ReadProgramVersion();
  EXPECT_EQ(info.m_strProgramVersion, TAVRO_PROJECT_VERSION);
}

TEST(VersionInfo, DeviceCodeRanges) {
  struct Case {
    const char* version;
    int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {"2.0.03", 0x95, "VRAN-3(0x95) v2.0.03"},   {"2.1.03", 0x90, "VRAN-3(0x90) v2.1.03"},
      {"2.1.03", 0x9F, "VRAN-3(0x9f) v2.1.03"},   {"2.1.03", 0xA0, ""},
      {"1.0.10", 0x50, "VRAN-2X(0x50) v1.0.10"},  {"1.0.10", 0x5F, "VRAN-2X(0x5f) v1.0.10"},
      {"1.0.10", 0x4F, ""},                       {"", 0, ""},
      {"", 0x91, "VRAN-3(0x91) v"},               {"1.0.10", -0x95, ""},
  };
  VersionInfo info;
  for (const Case& c : cases) {
    info.m_strDeviceVersion = "previous";
    info.SetDeviceVersionText(c.version, c.code);
    EXPECT_EQ(info.m_strDeviceVersion, c.text) << c.code;
  }
}

// The box as the gear button shows it: the program version alone until a recording told the
// device version, then both on two lines.
TEST(VersionInfo, BoxShowsOneLineThenTwo) {
  qunsetenv("TAVRO_MESSAGE_BOX_STDERR");
  VersionInfo info;
  auto shownText = [&info] {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        icon = box->icon();
        box->accept();
      }
    });
    info.ShowVersionInfo(nullptr);
    EXPECT_EQ(icon, QMessageBox::Information);
    return text.toStdString();
  };
  EXPECT_EQ(shownText(), TAVRO_PROJECT_VERSION);
  info.SetDeviceVersionText("2.0.03", 0x95);
  EXPECT_EQ(shownText(), std::string(TAVRO_PROJECT_VERSION) + "\nVRAN-3(0x95) v2.0.03");
  info.SetDeviceVersionText("", 0);
  EXPECT_EQ(shownText(), TAVRO_PROJECT_VERSION);
}
