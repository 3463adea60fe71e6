#pragma once
// The viewer's plain OK message box. With TAVRO_MESSAGE_BOX_STDERR set (unattended runs and
// tests of the whole program) the text goes to standard error instead, so nothing waits for a
// click.

class QWidget;

void ShowPlainMessage(QWidget* parent, const char* text);
