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

std::string RowTextName(std::string_view text)
{
  const auto blank = text.find(' ');
  if (blank == std::string_view::npos)
    return {};
  return std::string(text.substr(blank + 1));
}

std::string FormatSizeText(std::int32_t size)
{
  // A recording of 2 GiB or more has wrapped to a negative size; read as unsigned, its low 32
  // bits give the true length of every file below 4 GiB (the FAT32 limit of the cards).
  const double s = static_cast<std::uint32_t>(size);
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
