// The text a stored telemetry sample carries: bare, or after a fitting length prefix.
#include "TelemetrySample.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(TextSampleTest, RawAndLengthPrefixedSamplesGiveTheSameText) {
  const std::string text = "0,12,34,56,78,90 padded out";
  std::string prefixed(2, '\0');
  prefixed[0] = char(text.size() >> 8);
  prefixed[1] = char(text.size() & 0xff);
  prefixed += text;
  const struct {
    std::string sample, expected;
  } cases[] = {
      {text, text},
      {prefixed, text},
      {"{\"a\":1}", "{\"a\":1}"},             // JSON never reads as a fitting length
      {std::string("\0\x40xyz", 5), std::string("\0\x40xyz", 5)},  // length 64 does not fit
  };
  for (const auto& c : cases) {
    const std::uint8_t* out = nullptr;
    int size = 0;
    TextSamplePayload(reinterpret_cast<const std::uint8_t*>(c.sample.data()), int(c.sample.size()), &out, &size);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out), size), c.expected);
  }
}

TEST(TextSampleTest, TextEndsAtTheFirstZeroByte) {
  EXPECT_EQ(TelemetryTextOfSample(reinterpret_cast<const std::uint8_t*>("12,34\0junk"), 10), "12,34");
  EXPECT_EQ(TelemetryTextOfSample(reinterpret_cast<const std::uint8_t*>("\0\x03" "abc"), 5), "abc");
  EXPECT_EQ(TelemetryTextOfSample(nullptr, 0), "");
}
