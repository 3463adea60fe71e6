#include "VersionInfo.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

#include <cstdio>
#include <cstdlib>

// The program's version is the four numbers of project(VERSION a.b.c.d), which the build passes
// in as TAVRO_VERSION_MAJOR, _MINOR, _PATCH and _TWEAK. A build without them has no version:
// the text stays as it was, as for a program file without version information.
void VersionInfo::ReadProgramVersion() {
#if defined(TAVRO_VERSION_MAJOR) && defined(TAVRO_VERSION_MINOR) && defined(TAVRO_VERSION_PATCH) && \
    defined(TAVRO_VERSION_TWEAK)
  const uint32_t ms = (uint32_t{TAVRO_VERSION_MAJOR} << 16) | (uint32_t{TAVRO_VERSION_MINOR} & 0xFFFF);
  const uint32_t ls = (uint32_t{TAVRO_VERSION_PATCH} << 16) | (uint32_t{TAVRO_VERSION_TWEAK} & 0xFFFF);
  m_strProgramVersion = FormatFileVersion(ms, ls);
#else
  std::printf("Error: Invalid file version info size. File %s not existing\n",
              QCoreApplication::applicationFilePath().toLocal8Bit().constData());
#endif
}

std::string VersionInfo::FormatFileVersion(uint32_t versionMS, uint32_t versionLS) {
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", versionMS >> 16, versionMS & 0xFFFF, versionLS >> 16,
                versionLS & 0xFFFF);
  return text;
}

void VersionInfo::SetDeviceVersionText(const std::string& version, int32_t deviceCode) {
  const char* pattern = nullptr;
  if (deviceCode >= 0x90 && deviceCode <= 0x9F)
    pattern = "VRAN-3(0x%02x) v%s";
  else if (deviceCode >= 0x50 && deviceCode <= 0x5F)
    pattern = "VRAN-2X(0x%02x) v%s";
  if (!pattern) {
    m_strDeviceVersion.clear();
    return;
  }
  const int length = std::snprintf(nullptr, 0, pattern, static_cast<unsigned>(deviceCode), version.c_str());
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), pattern, static_cast<unsigned>(deviceCode), version.c_str());
  text.resize(static_cast<size_t>(length));
  m_strDeviceVersion = std::move(text);
}

std::string VersionInfo::VersionMessage() const {
  if (m_strDeviceVersion.empty()) return m_strProgramVersion;
  return m_strProgramVersion + "\n" + m_strDeviceVersion;
}

void VersionInfo::ShowVersionInfo(QWidget* parent) {
  ReadProgramVersion();
  const std::string message = VersionMessage();
  // Unattended runs (tests of the whole program) read the box from standard error instead.
  const char* toStderr = std::getenv("TAVRO_MESSAGE_BOX_STDERR");
  if (toStderr && *toStderr) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return;
  }
  QMessageBox box(QMessageBox::Information, QStringLiteral("VRANViewer"), QString::fromStdString(message),
                  QMessageBox::Ok, parent);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}
