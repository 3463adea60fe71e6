// Replays the seed corpus and the kept crash inputs through the fuzz entry points, so that
// every build checks the inputs once found to break a reader.
#include "FuzzEntries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Target {
    const char* name;
    void (*entry)(const std::uint8_t*, std::size_t);
};

void PrintTo(const Target& target, std::ostream* os) { *os << target.name; }

class FuzzReplay : public testing::TestWithParam<Target> {};

// Runs every file of `dir` (when it exists); returns how many ran.
int Replay(const fs::path& dir, const Target& target)
{
    int count = 0;
    if (!fs::is_directory(dir))
        return 0;
    for (const fs::directory_entry& file : fs::directory_iterator(dir)) {
        if (!file.is_regular_file())
            continue;
        std::ifstream in(file.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(file.path().string());
        target.entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    return count;
}

TEST_P(FuzzReplay, SeedsAndKeptInputsPassTheChecks)
{
    const Target& target = GetParam();
    EXPECT_GT(Replay(fs::path(TAVRO_FUZZ_SEEDS) / target.name, target), 10) << "seed corpus missing";
    Replay(fs::path(TAVRO_FUZZ_REGRESSIONS) / target.name, target);
}

INSTANTIATE_TEST_SUITE_P(Readers, FuzzReplay,
                         testing::Values(Target{"telemetry", FuzzTelemetryText},
                                         Target{"driver_monitor", FuzzDriverMonitorText},
                                         Target{"profile", FuzzPrivateProfile}),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
