#include "CFileLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CLog* active_log = nullptr;

CFileLog::~CFileLog() { Close(); }

bool CFileLog::Open(const std::string& path)
{
    Close();
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0 || ftruncate(fd, 0) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void CFileLog::Close()
{
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

void CFileLog::Write(const char* text)
{
    if (fd_ < 0 || !text)
        return;
    std::size_t size = std::strlen(text);
    while (size > 0) {
        ssize_t n = write(fd_, text, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}
