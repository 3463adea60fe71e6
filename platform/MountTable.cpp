#include "MountTable.h"

#include <blkid.h>
#include <sys/stat.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

std::string FromArgOrEnv(std::string arg, const char* env_name, const char* fallback)
{
  if (!arg.empty())
    return arg;
  const char* env = std::getenv(env_name);
  if (env && *env)
    return env;
  return fallback;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

int HexValue(char c)
{
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A device path in normal form, so that "/dev/disk/by-label/../../loop0" and "/dev/loop0" match.
fs::path Normalised(const fs::path& p)
{
  std::error_code ec;
  fs::path result = fs::weakly_canonical(p, ec);
  return ec ? p.lexically_normal() : result;
}

struct ProbeDeleter {
  void operator()(blkid_probe pr) const { blkid_free_probe(pr); }
};

}  // namespace

MountTable::MountTable(std::string mountinfo_path, std::string by_label_dir)
  : mountinfo_path_(FromArgOrEnv(std::move(mountinfo_path), "TAVRO_MOUNTINFO", kDefaultMountInfo)),
   by_label_dir_(FromArgOrEnv(std::move(by_label_dir), "TAVRO_DISK_BY_LABEL", kDefaultByLabel))
{
}

std::string MountTable::UnescapeOctal(const std::string& text)
{
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && IsOctal(text[i + 1]) && IsOctal(text[i + 2]) &&
      IsOctal(text[i + 3])) {
      out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string MountTable::UnescapeHex(const std::string& text)
{
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && HexValue(text[i + 2]) >= 0 &&
      HexValue(text[i + 3]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::optional<MountEntry> MountTable::ParseLine(const std::string& line)
{
  // id parent major:minor root mount-point options [optional fields...] - fstype source super-options
  // Fields are separated by single spaces (spaces inside a field are escaped); an empty
  // source shows as an empty field, so consecutive spaces must not be merged.
  std::vector<std::string> fields;
  size_t start = 0;
  while (start <= line.size()) {
    size_t space = line.find(' ', start);
    if (space == std::string::npos)
      space = line.size();
    fields.push_back(line.substr(start, space - start));
    start = space + 1;
  }
  if (fields.size() < 9)
    return std::nullopt;

  size_t separator = 6;
  while (separator < fields.size() && fields[separator] != "-")
    ++separator;
  if (separator + 2 >= fields.size())
    return std::nullopt;

  MountEntry entry;
  const std::string& id = fields[0];
  auto [end, ec] = std::from_chars(id.data(), id.data() + id.size(), entry.mount_id);
  if (ec != std::errc() || end != id.data() + id.size())
    return std::nullopt;
  entry.mount_point = UnescapeOctal(fields[4]);
  entry.fstype = UnescapeOctal(fields[separator + 1]);
  entry.source = UnescapeOctal(fields[separator + 2]);
  return entry;
}

std::optional<std::vector<MountEntry>> MountTable::Read() const
{
  std::ifstream in(mountinfo_path_);
  if (!in)
    return std::nullopt;
  std::vector<MountEntry> entries;
  for (std::string line; std::getline(in, line);) {
    if (auto entry = ParseLine(line))
      entries.push_back(std::move(*entry));
  }
  if (in.bad())
    return std::nullopt;
  return entries;
}

std::optional<std::string> MountTable::LabelFromLinks(const std::string& source) const
{
  std::error_code ec;
  const fs::path device = Normalised(source);
  for (fs::directory_iterator it(by_label_dir_, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code link_ec;
    fs::path target = fs::read_symlink(it->path(), link_ec);
    if (link_ec)
      continue;
    if (target.is_relative())
      target = it->path().parent_path() / target;
    if (Normalised(target) == device)
      return UnescapeHex(it->path().filename().string());
  }
  return std::nullopt;
}

std::optional<std::string> MountTable::LabelFromProbe(const std::string& source)
{
  // Only block devices and image files are probed: opening other special files (a FUSE
  // control node, a tty) could have side effects or block.
  struct stat st {};
  if (stat(source.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)))
    return std::nullopt;

  std::unique_ptr<blkid_struct_probe, ProbeDeleter> probe(blkid_new_probe_from_filename(source.c_str()));
  if (!probe)
    return std::nullopt;
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL);
  if (blkid_do_safeprobe(probe.get()) != 0)
    return std::nullopt;
  const char* value = nullptr;
  size_t length = 0;
  if (blkid_probe_lookup_value(probe.get(), "LABEL", &value, &length) != 0 || !value)
    return std::nullopt;
  return std::string(value);
}

std::optional<std::string> MountTable::Label(const MountEntry& entry) const
{
  if (entry.source.empty() || entry.source.front() != '/')
    return std::nullopt;  // pseudo filesystems and network sources carry no label
  if (auto label = LabelFromLinks(entry.source))
    return label;
  return LabelFromProbe(entry.source);
}

std::optional<std::string> MountTable::LabelOf(const std::string& mount_point) const
{
  const auto entries = Read();
  if (!entries)
    return std::nullopt;
  for (auto it = entries->rbegin(); it != entries->rend(); ++it) {
    if (it->mount_point == mount_point)
      return Label(*it);
  }
  return std::nullopt;
}
