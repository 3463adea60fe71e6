// The text a stored telemetry sample carries. The devices store the bare text; standard 3GPP
// timed text (as other muxers write it) puts a 16-bit big-endian length in front. Device
// texts start with a digit, a sign or "{", which never reads as a length that fits the sample,
// so a prefix is recognised by its fit.
#pragma once

#include <cstdint>
#include <string>

// Samples shorter than this carry no telemetry (the mp4 muxer writes 2-byte empty ones
// between texts).
constexpr int kMinTelemetrySampleBytes = 80;

// The payload of a sample of `size` bytes: the bytes after a fitting length prefix, else all.
void TextSamplePayload(const std::uint8_t* data, int size, const std::uint8_t** text, int* text_size);

// The text of a sample: its payload up to the first zero byte.
std::string TelemetryTextOfSample(const std::uint8_t* data, int size);
