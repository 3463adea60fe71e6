#include "TelemetrySample.h"

#include <cstring>

void TextSamplePayload(const std::uint8_t* data, int size, const std::uint8_t** text, int* text_size)
{
    *text = data;
    *text_size = size;
    if (size < 2 || !data)
        return;
    const int length = (data[0] << 8) | data[1];
    if (length + 2 > size)
        return;
    *text = data + 2;
    *text_size = length;
}

std::string TelemetryTextOfSample(const std::uint8_t* data, int size)
{
    const std::uint8_t* text = nullptr;
    int text_size = 0;
    TextSamplePayload(data, size, &text, &text_size);
    if (!text || text_size <= 0)
        return {};
    const char* chars = reinterpret_cast<const char*>(text);
    return std::string(chars, strnlen(chars, static_cast<std::size_t>(text_size)));
}
