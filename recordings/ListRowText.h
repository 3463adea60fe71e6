#pragma once
// Texts of a list page's rows: the numbered name in column 0 and the size in column 1.
#include <cstdint>
#include <string>
#include <string_view>

// "%04d. %s": the row number (four digits at least, wider beyond 9999) and the file name.
std::string FormatRowText(int row, std::string_view name);

// The file name of a row text: everything after its first blank, or empty when there is no blank.
std::string RowTextName(std::string_view text);

// "%.02lf KB" up to and including 1024 KB, then "%.02lf MB" up to and including 1024 MB, then GB.
// The size is a length kept to its low 32 bits, so a negative value stands for 2 GiB or more.
std::string FormatSizeText(std::int32_t size);
