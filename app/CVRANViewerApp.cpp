#include "CVRANViewerApp.h"

#include "CVRANViewerDlg.h"

#include <QApplication>
#include <QMessageBox>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Name of the instance lock; the application name (message box captions) is
// the product's. Qt shows that name as the X11 title of the caption-less main
// window, so it must not be "VRANViewer", the caption a second start looks for.
constexpr const char* kLockName = "VRANViewer";
constexpr const char* kAppName = "TAVRO Viewer";

// A plain OK message box. With TAVRO_MESSAGE_BOX_STDERR set (tests) the text
// goes to stderr instead, so nothing waits for a click.
void ShowMessage(const char* text)
{
    const char* toStderr = std::getenv("TAVRO_MESSAGE_BOX_STDERR");
    if (toStderr && *toStderr) {
        std::fprintf(stderr, "%s\n", text);
        return;
    }
    QMessageBox::information(nullptr, QString::fromLatin1(kAppName), QString::fromLatin1(text));
}

}  // namespace

int CVRANViewerApp::Run(int argc, char** argv)
{
    // SDL draws into X11 windows, so the viewer runs on xcb (XWayland on Wayland desktops).
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    // Chromium's sandbox refuses to run as root.
    if (geteuid() == 0)
        setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppName));
    InitInstance();
    return ExitInstance();
}

bool CVRANViewerApp::InitInstance()
{
    // The lock is taken once and kept; a lock file that cannot be opened at
    // all guards nothing, and the viewer starts anyway.
    if (m_instanceLock.Acquire(kLockName) == InstanceLock::Result::HeldElsewhere) {
        // The other viewer's window has an empty caption, so there is no
        // window to bring forward: tell the user instead.
        ShowMessage("TAVRO Viewer is alraedy running!!");
        return false;
    }

    CVRANViewerDlg dialog;
    dialog.OnInitDialog();
    dialog.show();
    QApplication::exec();
    return false;
}

int CVRANViewerApp::ExitInstance() { return 0; }
