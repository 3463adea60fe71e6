// A named lock held for the lifetime of its owner, so that only one process of
// a kind runs at a time in a user's session: an exclusive flock on "<name>.lock"
// in $XDG_RUNTIME_DIR, or on "/tmp/<name>-<uid>.lock" when that is unset or
// empty. The kernel drops it when the process ends, however it ends.
#pragma once

#include <string>

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    enum class Result {
        Acquired,     // this object now holds the lock
        HeldElsewhere,  // another holder has it
        Unavailable,  // the lock file cannot be opened; nothing guards the name
    };

    // Tries once, without waiting.
    Result Acquire(const std::string& name);
    void Release();
    bool Held() const { return fd_ >= 0; }

    static std::string PathFor(const std::string& name);

private:
    int fd_ = -1;
};
