// Starts the real viewer twice on the test's X display and checks that the
// second start tells the user and goes away, leaving the first one running.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr const char* kMessage = "TAVRO Viewer is alraedy running!!";

std::string RunCommand(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        pclose(pipe);
    }
    return output;
}

// One viewer process in a process group of its own, started in `dir` with
// `dir` as its runtime directory (so the lock is this test's alone).
class Viewer {
public:
    Viewer(const TempDir& dir, bool messagesToStderr)
    {
        std::string errPath = dir / ("stderr-" + std::to_string(++count_) + ".txt");
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);
            if (chdir(dir.path().c_str()) != 0)
                _exit(127);
            setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
            if (messagesToStderr)
                setenv("TAVRO_MESSAGE_BOX_STDERR", "1", 1);
            else
                unsetenv("TAVRO_MESSAGE_BOX_STDERR");
            if (!freopen(errPath.c_str(), "w", stderr))
                _exit(127);
            execl(TAVRO_VIEWER, TAVRO_VIEWER, static_cast<char*>(nullptr));
            _exit(127);
        }
        setpgid(pid_, pid_);
        errPath_ = errPath;
    }
    ~Viewer()
    {
        if (pid_ > 0 && !exited_) {
            kill(-pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // Visible top-level windows of the process, after waiting up to `timeout`
    // for the first.
    std::vector<std::string> WaitForWindows(std::chrono::milliseconds timeout)
    {
        auto end = std::chrono::steady_clock::now() + timeout;
        do {
            std::string out = RunCommand("xdotool search --maxdepth 1 --onlyvisible --pid " + std::to_string(pid_) + " 2>/dev/null");
            std::vector<std::string> ids;
            for (std::size_t pos = 0, nl; (nl = out.find('\n', pos)) != std::string::npos; pos = nl + 1)
                ids.push_back(out.substr(pos, nl - pos));
            if (!ids.empty())
                return ids;
            std::this_thread::sleep_for(100ms);
        } while (std::chrono::steady_clock::now() < end);
        return {};
    }

    // Exit status, or -1 when the process still runs after `timeout`.
    int WaitForExit(std::chrono::milliseconds timeout)
    {
        auto end = std::chrono::steady_clock::now() + timeout;
        do {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < end);
        return -1;
    }

    void Terminate()
    {
        kill(pid_, SIGTERM);
        if (WaitForExit(10s) < 0)
            ADD_FAILURE() << "viewer did not end on SIGTERM";
    }

    // True when no process of its group is left.
    bool NothingLeft() const { return kill(-pid_, 0) != 0 && errno == ESRCH; }

    std::string Stderr() const { return ReadFile(errPath_); }

private:
    static inline int count_ = 0;
    pid_t pid_ = -1;
    bool exited_ = false;
    std::string errPath_;
};

int Occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1))
        ++n;
    return n;
}

class InstanceGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display";
    }
    TempDir dir_;
};

TEST_F(InstanceGuard, SecondStartReportsAndLeavesNothingBehind)
{
    Viewer first(dir_, true);
    std::vector<std::string> windows = first.WaitForWindows(20s);
    ASSERT_EQ(windows.size(), 1u) << first.Stderr();
    std::string geometry = RunCommand("xdotool getwindowgeometry --shell " + windows[0]);
    EXPECT_NE(geometry.find("WIDTH=1080\n"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("HEIGHT=645\n"), std::string::npos) << geometry;

    {
        Viewer second(dir_, true);
        ASSERT_EQ(second.WaitForExit(20s), 0) << second.Stderr();
        EXPECT_EQ(Occurrences(second.Stderr(), kMessage), 1) << second.Stderr();
        EXPECT_TRUE(second.NothingLeft());
    }

    // The first viewer runs on, without writing a configuration of its own.
    EXPECT_EQ(first.WaitForExit(0ms), -1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "Config.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "log.txt"));

    // Once it has ended, however abruptly, a new start gets its window.
    first.Terminate();
    Viewer third(dir_, true);
    EXPECT_EQ(third.WaitForWindows(20s).size(), 1u) << third.Stderr();
    EXPECT_EQ(Occurrences(third.Stderr(), kMessage), 0);
    third.Terminate();
}

TEST_F(InstanceGuard, MessageBoxIsShownAndDismissedWithReturn)
{
    Viewer first(dir_, false);
    ASSERT_EQ(first.WaitForWindows(20s).size(), 1u) << first.Stderr();

    Viewer second(dir_, false);
    std::vector<std::string> box = second.WaitForWindows(20s);
    ASSERT_EQ(box.size(), 1u) << second.Stderr();
    std::string geometry = RunCommand("xdotool getwindowgeometry --shell " + box[0]);
    EXPECT_EQ(geometry.find("WIDTH=1080\n"), std::string::npos) << "the main window came up instead of the box";
    EXPECT_EQ(second.WaitForExit(0ms), -1) << "the box must wait for the user";

    // The box gets the focus and the key comes through the server's test input, press
    // and release alike. (Sent with --window, the release went nowhere once the press
    // had closed the box, and the server kept Return held down for every later test.)
    // Sent only once the box has the focus, and repeated in case the first press comes
    // before the box is ready.
    int status = -1;
    for (int attempt = 0; attempt < 20 && status < 0; ++attempt) {
        RunCommand("timeout 5 xdotool windowfocus --sync " + box[0] + " >/dev/null 2>&1 && xdotool key Return >/dev/null 2>&1");
        status = second.WaitForExit(500ms);
    }
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(second.NothingLeft());
    first.Terminate();
}

}  // namespace
