// Writes the seed corpus of the fuzz targets: telemetry texts of the scripted drive in
// both forms, in the shapes a recording carries (padded, cut short, mixed up), and INI
// files around the viewer's own Config.ini.
//
//   fuzz-seeds DIR    writes DIR/telemetry, DIR/driver_monitor and DIR/profile
#include "TelemetryScript.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& dir, int& count, const std::string& bytes)
{
    char name[32];
    std::snprintf(name, sizeof name, "seed-%04d", count++);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

// Texts across the whole 20-second drive (every state of it shows up) and for both
// forward-camera families and both speed units.
std::vector<std::string> Texts(recgen::TelemetryForm form)
{
    std::vector<std::string> texts;
    recgen::TelemetryScript scripts[3];
    scripts[1].deviceCode = 0x55;
    scripts[1].speedUnit = 1;
    scripts[2].startSeconds = 10.0;
    scripts[2].firmware[0] = 12;
    for (const recgen::TelemetryScript& script : scripts)
        for (int tenth = 0; tenth < 200; tenth += 7)
            texts.push_back(recgen::ScriptedText(script, form, tenth));
    return texts;
}

// Variants a damaged track may hold: padded to the sample size, cut at a few points,
// and the other form's text.
void WriteTexts(const fs::path& dir, recgen::TelemetryForm form, recgen::TelemetryForm other)
{
    fs::create_directories(dir);
    int count = 0;
    for (const std::string& text : Texts(form))
        Write(dir, count, text);
    const std::string sample = recgen::ScriptedText(recgen::TelemetryScript{}, form, 42);
    Write(dir, count, recgen::PadText(sample, 160));
    for (std::size_t cut : {std::size_t{1}, std::size_t{9}, sample.size() / 2, sample.size() - 1})
        Write(dir, count, sample.substr(0, cut));
    Write(dir, count, recgen::ScriptedText(recgen::TelemetryScript{}, other, 42));
    Write(dir, count, std::string("\0\x50", 2) + sample);  // a 16-bit length prefix in front
}

// The first byte picks the section and key, the second the read buffer size (see
// ProfileFuzz.cpp); the rest is the file.
void WriteProfiles(const fs::path& dir)
{
    fs::create_directories(dir);
    const std::string files[] = {
        "[Settings]\nModel=1\nDebug=On\n",
        "[Settings]\r\nModel = \"3\"\r\nDebug=Off\r\n",
        "\xEF\xBB\xBF[settings]\n; comment\nMODEL='2'\n",
        "[Other]\nModel=9\n[Settings]\nDebug\n[Settings]\nModel=2",
        "Model=1\n[ Settings ]\n  Model  =  3  \n",
        "",
        "[Settings",
        std::string(300, 'x') + "\n[Settings]\nModel=" + std::string(300, '7'),
    };
    int count = 0;
    for (const std::string& file : files)
        for (char selector : {'\0', '\1', '\2'})
            Write(dir, count, std::string{selector, static_cast<char>(count % 2 ? 4 : 255)} + file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds DIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    fs::remove_all(root);
    WriteTexts(root / "telemetry", recgen::TelemetryForm::Csv, recgen::TelemetryForm::Json);
    WriteTexts(root / "driver_monitor", recgen::TelemetryForm::Json, recgen::TelemetryForm::Csv);
    WriteProfiles(root / "profile");
    return 0;
}
