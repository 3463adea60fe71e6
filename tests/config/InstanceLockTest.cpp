#include "InstanceLock.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

extern char** environ;

namespace {

class RuntimeDir {
public:
    explicit RuntimeDir(const char* value)
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR"))
            saved_ = old;
        if (value)
            setenv("XDG_RUNTIME_DIR", value, 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }
    ~RuntimeDir()
    {
        if (saved_)
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            unsetenv("XDG_RUNTIME_DIR");
    }

private:
    std::optional<std::string> saved_;
};

TEST(InstanceLock, LivesInTheRuntimeDirectoryElseTmp)
{
    {
        RuntimeDir runtime("/run/user/42");
        EXPECT_EQ(InstanceLock::PathFor("VRANViewer"), "/run/user/42/VRANViewer.lock");
    }
    const std::string perUser = "/tmp/VRANViewer-" + std::to_string(getuid()) + ".lock";
    {
        RuntimeDir runtime("");
        EXPECT_EQ(InstanceLock::PathFor("VRANViewer"), perUser);
    }
    {
        RuntimeDir runtime(nullptr);
        EXPECT_EQ(InstanceLock::PathFor("VRANViewer"), perUser);
    }
}

// Without a runtime directory the lock lives in the shared /tmp: a viewer of another user
// holding it there must not make this user's start look like a second one.
TEST(InstanceLock, AnotherUsersHolderDoesNotBlockThisUser)
{
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to run a holder as another user";
    RuntimeDir runtime(nullptr);
    const std::string name = "TavroGuardTest" + std::to_string(getpid());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other user ("nobody") takes the lock and holds it until killed.
        close(ready[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(1);
        InstanceLock other;
        const char ok = other.Acquire(name) == InstanceLock::Result::Acquired ? 'y' : 'n';
        if (write(ready[1], &ok, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char ok = 0;
    EXPECT_EQ(read(ready[0], &ok, 1), 1);
    close(ready[0]);
    EXPECT_EQ(ok, 'y');

    InstanceLock mine;
    EXPECT_EQ(mine.Acquire(name), InstanceLock::Result::Acquired);

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    mine.Release();
    for (const char* uid : {"0", "65534"})
        unlink(("/tmp/" + name + "-" + uid + ".lock").c_str());
    unlink(("/tmp/" + name + ".lock").c_str());
}

TEST(InstanceLock, OneHolderAtATime)
{
    TempDir dir;
    RuntimeDir runtime(dir.path().c_str());
    InstanceLock first;
    InstanceLock second;
    EXPECT_EQ(first.Acquire("Guard"), InstanceLock::Result::Acquired);
    EXPECT_EQ(second.Acquire("Guard"), InstanceLock::Result::HeldElsewhere);
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(InstanceLock().Acquire("Other"), InstanceLock::Result::Acquired);
    first.Release();
    EXPECT_EQ(second.Acquire("Guard"), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, ChildProcessesDoNotKeepIt)
{
    TempDir dir;
    RuntimeDir runtime(dir.path().c_str());
    pid_t child = 0;
    {
        InstanceLock lock;
        ASSERT_EQ(lock.Acquire("Guard"), InstanceLock::Result::Acquired);
        char sleepArg[] = "30";
        char program[] = "sleep";
        char* argv[] = {program, sleepArg, nullptr};
        ASSERT_EQ(posix_spawnp(&child, "sleep", nullptr, nullptr, argv, environ), 0);
    }
    // The holder is gone while its child still runs: the name is free again.
    InstanceLock next;
    EXPECT_EQ(next.Acquire("Guard"), InstanceLock::Result::Acquired);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

TEST(InstanceLock, UnopenableLockFileIsReported)
{
    TempDir dir;
    std::string missing = dir / "missing";
    RuntimeDir runtime(missing.c_str());
    InstanceLock lock;
    EXPECT_EQ(lock.Acquire("Guard"), InstanceLock::Result::Unavailable);
    EXPECT_FALSE(lock.Held());
}

}  // namespace
