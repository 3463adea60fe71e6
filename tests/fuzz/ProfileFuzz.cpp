#include "FuzzCheck.h"
#include "FuzzEntries.h"

#include "PrivateProfile.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Name {
    const char* section;
    const char* key;
};

// The keys the viewer itself reads and writes, and a few in other spellings.
constexpr Name kNames[] = {
    {"Settings", "Model"},
    {"Settings", "Debug"},
    {"settings", "MODEL"},
    {"", ""},
    {"Settings", "Model Name"},
};

// A private folder per process in memory-backed storage where there is one: the
// writer renames a temporary file over the target on every run. Removed at exit.
struct ScratchFolder {
    std::filesystem::path dir;
    std::string file;
    ScratchFolder()
    {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm"
                                                                          : std::filesystem::temp_directory_path();
        dir = base / ("tavro-fuzz-profile-" + std::to_string(getpid()));
        std::filesystem::create_directories(dir);
        file = (dir / "Config.ini").string();
    }
    ~ScratchFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

const std::string& FilePath()
{
    static const ScratchFolder folder;
    return folder.file;
}

void Store(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}

std::string Load(const std::string& path)
{
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    FUZZ_CHECK(f != nullptr);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    return text;
}

}  // namespace

// The first byte picks the section and key, the second the buffer size; the rest is the
// file.
void FuzzPrivateProfile(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return;
    const Name& name = kNames[data[0] % std::size(kNames)];
    const std::size_t bufferSize = data[1];
    const std::string& path = FilePath();
    Store(path, data + 2, size - 2);

    const std::string value = ReadPrivateProfileString(path, name.section, name.key, "default", bufferSize);
    FUZZ_CHECK(bufferSize == 0 ? value.empty() : value.size() < bufferSize);
    const std::string full = ReadPrivateProfileString(path, name.section, name.key, "default", 1 << 20);
    FUZZ_CHECK(full.compare(0, value.size(), value) == 0);

    // Whatever the file held, the key reads back as written, and writing the same value
    // again changes no byte.
    FUZZ_CHECK(WritePrivateProfileString(path, name.section, name.key, "VRAN2X"));
    FUZZ_CHECK(ReadPrivateProfileString(path, name.section, name.key, "default") == "VRAN2X");
    const std::string once = Load(path);
    FUZZ_CHECK(WritePrivateProfileString(path, name.section, name.key, "VRAN2X"));
    FUZZ_CHECK(Load(path) == once);

    // Another key of the same section leaves the first one alone.
    FUZZ_CHECK(WritePrivateProfileString(path, name.section, "Other", "1"));
    FUZZ_CHECK(ReadPrivateProfileString(path, name.section, name.key, "default") == "VRAN2X");
}
