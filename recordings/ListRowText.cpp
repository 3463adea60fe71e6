#include "ListRowText.h"

#include <cstdio>

std::string FormatRowText(int row, std::string_view name)
{
  char number[16];
  std::snprintf(number, sizeof number, "%04d. ", row);
  std::string text(number);
  text.append(name);
  return text;
}

std::string FormatSizeText(std::uint64_t size)
{
  const double s = static_cast<double>(size);
  char text[64];
  const double k = s / 1024;
  if (k <= 1024) {
    std::snprintf(text, sizeof text, "%.02lf KB", k);
    return text;
  }
  const double m = s / 1024 / 1024;
  if (m <= 1024) {
    std::snprintf(text, sizeof text, "%.02lf MB", m);
    return text;
  }
  std::snprintf(text, sizeof text, "%.02lf GB", s / 1024 / 1024 / 1024);
  return text;
}
