#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

InstanceLock::~InstanceLock() { Release(); }

std::string InstanceLock::PathFor(const std::string& name)
{
    // The runtime directory is the session's own; /tmp is shared by every user, so there the
    // name carries the user id and another user's viewer does not count as a second start.
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir)
        return std::string(dir) + "/" + name + ".lock";
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::Result InstanceLock::Acquire(const std::string& name)
{
    if (fd_ >= 0)
        return Result::Acquired;
    std::string path = PathFor(name);
    // Close-on-exec: a child process must not keep the lock alive after us.
    // Opening for reading is enough for flock and works on a lock file that
    // another user created in /tmp.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT)
        fd = open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return Result::Unavailable;
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::Release()
{
    if (fd_ >= 0) {
        close(fd_);  // closing the only descriptor drops the lock
        fd_ = -1;
    }
}
