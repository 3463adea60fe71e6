// Reading and writing keys of INI ("private profile") files the way the
// Windows profile functions do: sections and keys match case-insensitively,
// blanks around names and values are ignored, a value in matching quotes loses
// them, and the caller's buffer size cuts long values.
#pragma once

#include <cstddef>
#include <string>

// Size of the buffer the viewer reads every value into; a value is cut to one
// byte less, as a NUL-terminated copy into that buffer would be.
inline constexpr std::size_t kProfileValueBufferSize = 260;

// Returns the value of `key` in the first `[section]` that has it, else
// `defaultValue`; either is cut to bufferSize - 1 bytes. A missing or
// unreadable file yields the default; the file is never created.
std::string ReadPrivateProfileString(const std::string& path, const std::string& section,
                                     const std::string& key, const std::string& defaultValue,
                                     std::size_t bufferSize = kProfileValueBufferSize);

// Sets `key` in `[section]` to `value`. An existing key line keeps everything up
// to its value; a missing key is added at the end of its section, a missing
// section (or file) at the end of the file. Every other byte of the file stays
// as it was. The new contents replace the file in one rename, so a failed
// write never leaves a half-written file. Returns false when the file cannot
// be read or written.
bool WritePrivateProfileString(const std::string& path, const std::string& section,
                               const std::string& key, const std::string& value);
