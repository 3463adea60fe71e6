#pragma once
// One trace of the vehicle panel's acceleration graph: a ring of 1024 samples with the pixel
// row each sample is drawn at. The panel owns its series; this class knows only the rows.

#include <array>
#include <cstdint>

class GraphSeries {
public:
  static constexpr int32_t kCapacity = 1024;
  static constexpr int32_t kCentreRow = 61;    // row of 0 g
  static constexpr int32_t kGraphHeight = 123;  // rows of the graph strip

  explicit GraphSeries(int32_t axis) : axis(axis) {}

  // Stores v (in g) when it lies within -1.0..1.0 and returns true; anything else, NaN
  // included, is turned away and leaves the trace as it was. When the ring is full the write
  // position returns to 0, so the trace starts again from empty.
  bool Add(double v);

  // The row a sample is drawn at: 61 - trunc(123 v / 2), kept within 0..123.
  static int32_t PixelRow(double v);

  int32_t visible = 1;  // 0: not drawn
  int32_t axis = 0;     // 0 x, 1 y, 2 z: colour and label
  std::array<int32_t, kCapacity> pixelY{};
  std::array<double, kCapacity> value{};
  int32_t writePos = 0;  // next slot, also the number of samples drawn
};
