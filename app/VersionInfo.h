#pragma once
// The program's and the device's version texts shown by the main window's gear button. The
// main window holds one VersionInfo; the vehicle panel hands it the device's firmware version
// once per playback.

#include <cstdint>
#include <string>

class QWidget;

class VersionInfo {
public:
  // Sets m_strProgramVersion from the version compiled into the program.
  void ReadProgramVersion();

  // Sets m_strDeviceVersion from a firmware version text and the device code: "VRAN-3(0x%02x) v%s"
  // for codes 0x90..0x9F, "VRAN-2X(0x%02x) v%s" for 0x50..0x5F, empty otherwise.
  void SetDeviceVersionText(const std::string& version, int32_t deviceCode);

  // Refreshes the program version and shows both texts in a modal information box (on standard
  // error instead when TAVRO_MESSAGE_BOX_STDERR is set, like the viewer's other boxes).
  void ShowVersionInfo(QWidget* parent);

  // The box's text: the program version, and on a second line the device version if there is one.
  std::string VersionMessage() const;

  // Four numbers from the two 32-bit words of a file version, high 16 bits first: 1.2.3.4.
  static std::string FormatFileVersion(uint32_t versionMS, uint32_t versionLS);

  std::string m_strProgramVersion;
  std::string m_strDeviceVersion;
};
