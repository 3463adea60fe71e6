// The viewer's string resources: the tooltips of the title-bar buttons and of the control
// panel, and the Open dialog's folder button, in English and Korean.
#pragma once

#include <QString>

// The text of string resource `id` in `language` (a Windows language identifier such as
// `ui_language`): Korean for 1042, English for every other language. Empty for an unknown id.
QString LoadResourceString(int id, int language);

// The same in the viewer's interface language, `ui_language`.
QString LoadResourceString(int id);
