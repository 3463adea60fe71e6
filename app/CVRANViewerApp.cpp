#include "CVRANViewerApp.h"

#include "CVRANViewerDlg.h"
#include "InstanceChannel.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// Name of the instance lock (and of the hand-over socket); the display name
// (message box captions) is the product's. Qt shows that name as the X11 title of
// the caption-less main window, so it must not be "VRANViewer".
constexpr const char* kLockName = "VRANViewer";
constexpr const char* kAppName = "TAVRO Viewer";
// The desktop entry's name, which is also the X11 window class (the desktop entry's
// StartupWMClass), so that launchers and task bars put the window under the entry.
constexpr const char* kDesktopName = "tavro-viewer";

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

// The arguments left after Qt's own, as the file-name bytes they are (a name need not be
// UTF-8), made absolute against this process's working folder: another viewer may open them.
std::vector<std::string> CommandLinePaths(int argc, char** argv)
{
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        if (!*argv[i])
            continue;
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(argv[i], error);
        paths.push_back(error ? std::string(argv[i]) : absolute.string());
    }
    return paths;
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
    // Qt takes the X11 window class from the application name; boxes and titles show the
    // display name.
    QApplication::setApplicationName(QString::fromLatin1(kDesktopName));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kAppName));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopName));
    InitInstance(CommandLinePaths(argc, argv));
    return ExitInstance();
}

bool CVRANViewerApp::InitInstance(const std::vector<std::string>& paths)
{
    // The lock is taken once and kept; a lock file that cannot be opened at
    // all guards nothing, and the viewer starts anyway.
    if (m_instanceLock.Acquire(kLockName) == InstanceLock::Result::HeldElsewhere) {
        // Files to open go to the viewer that runs, which opens them and comes forward. The
        // lock holder listens from its first moments; a little patience covers those.
        if (!paths.empty() && InstanceChannel::Send(kLockName, paths, std::chrono::seconds(3)))
            return false;
        // Nothing to hand over (or nobody took it): the other viewer's window has an empty
        // caption, so there is no window to bring forward: tell the user instead.
        ShowMessage("TAVRO Viewer is alraedy running!!");
        return false;
    }

    CVRANViewerDlg dialog;
    // Declared after the window, so it goes first: no request reaches a window being destroyed.
    InstanceChannel channel;
    channel.Listen(kLockName);
    dialog.OnInitDialog();
    dialog.show();
    // Once the window runs: what this start names first, then what later starts handed over
    // (held until now).
    QTimer::singleShot(0, &dialog, [&dialog, &channel, paths] {
        if (!paths.empty())
            dialog.OpenPaths(paths);
        channel.SetHandler([&dialog](const InstanceChannel::Paths& handed) {
            dialog.OpenPaths(handed);
            dialog.RaiseWindow();
        });
    });
    QApplication::exec();
    return false;
}

int CVRANViewerApp::ExitInstance() { return 0; }
