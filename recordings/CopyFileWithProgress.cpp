#include "CopyFileWithProgress.h"

#include <cerrno>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
public:
  explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return m_fd; }
  // Closes now; false when close reports an error (a delayed write error on some filesystems).
  bool reset()
  {
    if (m_fd < 0)
      return true;
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc == 0;
  }

private:
  int m_fd;
};

bool WriteAll(int fd, const char* data, std::size_t size)
{
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// A short, unique name in the target's folder. It does not derive from the target's name, so a
// target name near the filesystem's length limit still gets a valid temporary name.
FileDescriptor CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& name)
{
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = folder / (".tavro-backup-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".part");
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST)
      return FileDescriptor(fd);
  }
  return FileDescriptor();
}

void SyncFolder(const std::filesystem::path& folder)
{
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0)
    ::fsync(fd.get());  // best effort: the file itself is already on the disk
}

}  // namespace

bool CopyFileWithProgress(const std::filesystem::path& source, const std::filesystem::path& target,
                          const CopyProgressRoutine& progress, std::size_t chunk_size,
                          const std::atomic<bool>* cancel)
{
  FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;

  std::filesystem::path folder = target.parent_path();
  if (folder.empty())
    folder = ".";
  std::filesystem::path temporary;
  FileDescriptor out = CreateTemporary(folder, temporary);
  if (out.get() < 0)
    return false;

  const std::uint64_t total = static_cast<std::uint64_t>(info.st_size);
  std::uint64_t transferred = 0;
  // The report that completes a file comes only once the copy stands under its name, so a file
  // that fails at the end is never counted as done.
  bool reporting = true;
  if (progress && total > 0)
    reporting = progress(total, 0) == CopyProgress::Continue;
  bool ok = true;
  std::vector<char> buffer(chunk_size > 0 ? chunk_size : 1);
  for (;;) {
    if (cancel && cancel->load()) {
      ok = false;
      break;
    }
    const ssize_t got = ::read(in.get(), buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0 || (got > 0 && !WriteAll(out.get(), buffer.data(), static_cast<std::size_t>(got)))) {
      ok = false;
      break;
    }
    if (got == 0)
      break;
    transferred += static_cast<std::uint64_t>(got);
    if (reporting && progress && transferred < total)
      reporting = progress(total, transferred) == CopyProgress::Continue;
  }

  if (ok) {
    // Recordings keep their time stamps, as a copy made by the file manager would.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out.get(), times);
    ok = ::fsync(out.get()) == 0;
  }
  ok = out.reset() && ok;
  if (ok)
    ok = ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(folder);
  if (reporting && progress)
    progress(transferred, transferred);  // complete, whatever size the source had in the end
  return true;
}
