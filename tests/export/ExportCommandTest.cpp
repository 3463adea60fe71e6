// The tavro-export command: each export on a good recording, and a clear message with a
// non-zero status, nothing written, on bad input.
#include "ExportFixture.h"

#include <sys/wait.h>

#include <cstdio>

namespace {

using recgen::TelemetryForm;

struct CommandRun {
  int status = -1;
  std::string output;  // standard output and error
};

CommandRun Export(const std::string& args)
{
  CommandRun run;
  FILE* pipe = ::popen((std::string(TAVRO_EXPORT) + " " + args + " 2>&1").c_str(), "r");
  if (!pipe)
    return run;
  char buffer[512];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    run.output.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST_F(ExportFixture, CommandWritesEachExport)
{
  const std::string rec = Write("20261210_100001_N.mp4", Drive(TelemetryForm::Csv, 3));
  const std::string d = dir_.string() + "/";
  EXPECT_EQ(Export("gpx " + d + "t.gpx " + rec).status, 0);
  EXPECT_EQ(Export("csv " + d + "t.csv " + rec + " " + rec).status, 0);
  EXPECT_EQ(Export("clip --from 0:01 --to 2.5 " + d + "c.mp4 " + rec).status, 0);
  const CommandRun snapshot = Export("snapshot --at 1.5 " + d + "s " + rec);
  EXPECT_EQ(snapshot.status, 0);
  EXPECT_EQ(snapshot.output, d + "s_front.png\n" + d + "s_rear.png\n");
  EXPECT_EQ(Files(), (std::vector<std::string>{"20261210_100001_N.mp4", "c.mp4", "s_front.png", "s_rear.png",
                                               "t.csv", "t.gpx"}));
}

TEST_F(ExportFixture, CommandRefusesBadInputClearlyAndWritesNothing)
{
  const std::string rec = Write("rec.mp4", Drive(TelemetryForm::Csv, 2));
  const std::string plain = Write("plain.mp4", Drive(TelemetryForm::None, 1));
  const std::string d = dir_.string() + "/";
  std::filesystem::create_directory(dir_ / "folder");
  const struct {
    std::string args;
    int status;
    std::string message;
  } cases[] = {
      {"gpx " + d + "o.gpx " + d + "missing.mp4", 1, d + "missing.mp4: no such file"},
      {"csv " + d + "o.csv " + rec + " " + d + "missing.mp4", 1, d + "missing.mp4: no such file"},
      {"gpx " + d + "o.gpx " + plain, 1, plain + ": the recording has no telemetry track"},
      {"csv " + d + "o.csv " + d + "o.gpx", 1, d + "o.gpx: no such file"},
      {"gpx " + d + "no/such/folder/o.gpx " + rec, 1, d + "no/such/folder/o.gpx: No such file or directory"},
      {"gpx " + d + "folder " + rec, 1, d + "folder: is a folder"},
      {"clip --from 1 --to 2 " + d + "no/such/folder/c.mp4 " + rec, 1,
       d + "no/such/folder/c.mp4: No such file or directory"},
      {"clip --from 1 --to 2 " + d + "c.mp4 " + d + "missing.mp4", 1, d + "missing.mp4: no such file"},
      {"snapshot --at 1 " + d + "no/such/s " + rec, 1, d + "no/such/s_front.png: No such file or directory"},
      {"snapshot --at 1 " + d + "s " + rec + ".txt", 1, rec + ".txt: no such file"},
      {"clip --from 2 --to 1 " + d + "c.mp4 " + rec, 2, "--to must be after --from"},
      {"clip --from x --to 1 " + d + "c.mp4 " + rec, 2, "--from needs a position"},
      {"gpx " + d + "o.gpx", 2, "give the output file and at least one recording"},
      {"burn " + rec, 2, "unknown command \"burn\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CommandRun run = Export(c.args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_NE(run.output.find("tavro-export: " + c.message), std::string::npos) << run.output;
  }
  EXPECT_EQ(Files(), (std::vector<std::string>{"folder", "plain.mp4", "rec.mp4"}));
}

}  // namespace
