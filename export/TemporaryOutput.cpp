#include "TemporaryOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

TemporaryOutput::TemporaryOutput(std::string final_path) : m_final(std::move(final_path)) {}

TemporaryOutput::~TemporaryOutput()
{
  if (!m_temporary.empty() && !m_committed)
    ::unlink(m_temporary.c_str());
}

bool TemporaryOutput::Create(std::string* error)
{
  namespace fs = std::filesystem;
  const fs::path final_path(m_final);
  if (final_path.filename().empty()) {
    *error = m_final + ": not a file name";
    return false;
  }
  std::error_code ec;
  if (fs::is_directory(final_path, ec)) {
    *error = m_final + ": is a folder";
    return false;
  }
  // Hidden, in the same folder: the rename then never crosses file systems.
  const fs::path pattern = final_path.parent_path() / ("." + final_path.filename().string() + ".partial-XXXXXX");
  std::string name = pattern.string();
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) {
    *error = m_final + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; an export is an ordinary file of the user's.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  m_temporary = buffer.data();
  return true;
}

bool TemporaryOutput::Commit(std::string* error)
{
  if (std::rename(m_temporary.c_str(), m_final.c_str()) != 0) {
    *error = m_final + ": " + std::strerror(errno);
    return false;
  }
  m_committed = true;
  return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error)
{
  TemporaryOutput out(path);
  if (!out.Create(error))
    return false;
  std::FILE* f = std::fopen(out.TemporaryPath().c_str(), "wb");
  if (!f) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(contents.data(), 1, contents.size(), f) == contents.size();
  const int saved = errno;
  if (std::fclose(f) != 0 || !written) {
    *error = path + ": " + std::strerror(written ? errno : saved);
    return false;
  }
  return out.Commit(error);
}
