#include "GraphSeries.h"

#include <algorithm>
#include <cmath>

int32_t GraphSeries::PixelRow(double v) {
  const double offset = std::trunc(kGraphHeight * v / 2.0);
  return std::clamp(kCentreRow - static_cast<int32_t>(offset), 0, kGraphHeight);
}

bool GraphSeries::Add(double v) {
  // Written as a positive range test so that NaN (which a text field "nan" can yield) fails it.
  if (!(v >= -1.0 && v <= 1.0)) return false;
  value[writePos] = v;
  pixelY[writePos] = PixelRow(v);
  if (++writePos == kCapacity) writePos = 0;
  return true;
}
