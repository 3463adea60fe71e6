#pragma once
// Texts of a list page's rows: the numbered name in column 0 and the size in column 1.
#include <cstdint>
#include <string>
#include <string_view>

// "%04d. %s": the row number (four digits at least, wider beyond 9999) and the file name.
std::string FormatRowText(int row, std::string_view name);

// "%.02lf KB" up to and including 1024 KB, then "%.02lf MB" up to and including 1024 MB, then GB.
std::string FormatSizeText(std::uint64_t size);
