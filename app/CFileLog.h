// A log sink writing to a file that it opens empty and holds exclusively.
//
// Exclusivity is an flock(LOCK_EX) on the open file: another process that
// also takes the lock (another viewer, or any program using flock) cannot open
// it for logging. Programs that ignore advisory locks can still read or write
// the file; Linux offers no mandatory sharing modes.
#pragma once

#include "CLog.h"

#include <string>

class CFileLog : public CLog {
public:
    CFileLog() = default;
    ~CFileLog() override;
    CFileLog(const CFileLog&) = delete;
    CFileLog& operator=(const CFileLog&) = delete;

    // Creates or opens `path`, takes the lock and only then empties the file,
    // so a file held by someone else is left untouched. False when the file
    // cannot be opened or is held.
    bool Open(const std::string& path);
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    void Write(const char* text) override;

private:
    int fd_ = -1;
};
