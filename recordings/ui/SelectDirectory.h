#pragma once
// The folder picker of the Backup command.
#include <string>

class QWidget;

// Shows the folder picker "Select Directory" owned by `owner`, with an edit box for typing a
// path. Returns the chosen folder, or empty text when the user cancels or the choice is not an
// existing folder.
std::string SelectDirectory(QWidget* owner);
