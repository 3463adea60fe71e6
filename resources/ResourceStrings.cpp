#include "ResourceStrings.h"

#include "UiLanguage.h"
#include "ViewerConfig.h"

namespace {

struct StringResource {
  int id;
  const char* english;
  const char* korean;
};

constexpr StringResource kStrings[] = {
    {222, "File open", "파일 열기"},
    {223, "Prev file", "이전 파일"},
    {225, "Flip horizontal", "좌우 반전"},
    {227, "Rewind", "되감기"},
    {229, "Play", "재생"},
    {231, "Pause", "일시 정지"},
    {233, "Fast forward", "빨리 감기"},
    {237, "Next file", "다음 파일"},
    {241, "Viewer switch", "화면 전환"},
    {245, "Close", "프로그램 종료"},
    {249, "Version", "버전"},
    {257, "Fullscreen", "전체화면"},
    {260, "Minimize", "최소화"},
    {263, "Zoom in", "확대"},
    {266, "Zoom out", "축소"},
    {268, "Open folder", "폴더 열기"},
};

}  // namespace

QString LoadResourceString(int id, int language) {
  for (const StringResource& s : kStrings)
    if (s.id == id) return QString::fromUtf8(language == kLangKorean ? s.korean : s.english);
  return {};
}

QString LoadResourceString(int id) {
  return LoadResourceString(id, ui_language);
}
