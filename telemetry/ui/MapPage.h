#pragma once
// Which map page the rear pane shows, and where it lies: in html/ beside the executable, or in
// the installed data folder.

#include <QString>

#include <cstdint>

// "html/baidumap.html" for a Chinese (PRC) interface (2052), "html/openstreetmap.html" for
// every other language.
const char* MapPageName(std::uint16_t language);

// The page's absolute path: the running executable's folder followed by MapPageName, or for an
// installed viewer without pages beside it, <prefix>/share/tavro-viewer followed by MapPageName.
QString MapPageLocation(std::uint16_t language);
