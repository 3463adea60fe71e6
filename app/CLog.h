// A log sink. The viewer opens one (log.txt) when Config.ini asks for it;
// nothing writes to it yet, so an opened log stays empty.
#pragma once

class CLog {
public:
    virtual ~CLog() = default;
    virtual void Write(const char* text) = 0;
};

// The active sink, or none. Owned by the configuration code.
extern CLog* active_log;
