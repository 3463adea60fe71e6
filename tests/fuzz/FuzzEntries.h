// Entry points shared by the libFuzzer targets and the corpus replay test. Each takes
// arbitrary bytes, feeds them to one reader and aborts when the reader breaks one of
// its own promises (the sanitizers catch the memory faults).
#pragma once

#include <cstddef>
#include <cstdint>

// The comma-separated telemetry text: full record and position-only read.
void FuzzTelemetryText(const std::uint8_t* data, std::size_t size);
// The JSON telemetry text: full record and position-only read.
void FuzzDriverMonitorText(const std::uint8_t* data, std::size_t size);
// The INI reader and writer on a file holding the bytes.
void FuzzPrivateProfile(const std::uint8_t* data, std::size_t size);
