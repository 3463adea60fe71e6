#pragma once
// Tunable constants of the engine, named once.

#include <cstdint>

namespace engine {

constexpr int32_t kQueueByteLimit = 15 * 1024 * 1024;  // read thread stops reading above this
constexpr int kEnoughPacketsCount = 25;                // has_enough_packets: more than this many
constexpr double kEnoughPacketsSeconds = 1.0;          // ... and more than this duration
constexpr int kReaderWaitMs = 10;                      // timed wait on reader_wakeup
constexpr int kFrameQueueCapacity = 16;
constexpr int kPictureQueueSize = 3;
constexpr int kTextQueueSize = 16;
constexpr int kSampleQueueSize = 9;
constexpr int kExternalClockLowPackets = 2;
constexpr int kExternalClockHighPackets = 10;
constexpr double kExternalClockSpeedMin = 0.900;
constexpr double kExternalClockSpeedMax = 1.010;
constexpr double kExternalClockSpeedStep = 0.001;
constexpr double kNoSyncThreshold = 10.0;        // clocks further apart are reset, not corrected
constexpr double kSyncThresholdMin = 0.04;
constexpr double kSyncThresholdMax = 0.1;
constexpr double kFrameDuplicationThreshold = 0.1;
constexpr int kAudioDiffAverageCount = 20;
constexpr int kSampleCorrectionPercent = 10;
constexpr double kRefreshInterval = 0.01;
constexpr int kAudioMinBufferSamples = 512;
constexpr int kAudioCallbacksPerSecond = 30;
constexpr int64_t kCursorHideDelayUs = 1000000;
constexpr double kVolumeStepDb = 0.75;
constexpr int64_t kProgressIntervalUs = 200000;
constexpr int kTelemetryMaxTickJump = 40;
constexpr int kMaxVolume = 128;

}  // namespace engine
