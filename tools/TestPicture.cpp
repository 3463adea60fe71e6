#include "TestPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

namespace recgen {
namespace {

constexpr int kCells = 18;

struct Yuv {
    uint8_t y, u, v;
};

Yuv ToYuv(Rgb c) {
    const auto clamp = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); };
    return {clamp(16 + (65.481 * c.r + 128.553 * c.g + 24.966 * c.b) / 255),
            clamp(128 + (-37.797 * c.r - 74.203 * c.g + 112.0 * c.b) / 255),
            clamp(128 + (112.0 * c.r - 93.786 * c.g - 18.214 * c.b) / 255)};
}

const Yuv kWhite = ToYuv({235, 235, 235});
const Yuv kBlack = ToYuv({0, 0, 0});
const Yuv kGrey = ToYuv({50, 50, 50});

void FillRect(AVFrame* f, int x0, int y0, int x1, int y1, Yuv c) {
    x0 = std::clamp(x0, 0, f->width);
    x1 = std::clamp(x1, 0, f->width);
    y0 = std::clamp(y0, 0, f->height);
    y1 = std::clamp(y1, 0, f->height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y) std::memset(f->data[0] + y * f->linesize[0] + x0, c.y, x1 - x0);
    const int cx0 = x0 / 2, cx1 = (x1 + 1) / 2;
    for (int y = y0 / 2; y < (y1 + 1) / 2; ++y) {
        std::memset(f->data[1] + y * f->linesize[1] + cx0, c.u, cx1 - cx0);
        std::memset(f->data[2] + y * f->linesize[2] + cx0, c.v, cx1 - cx0);
    }
}

// Seven-segment digits; bit i lights segment "abcdefg"[i].
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawDigit(AVFrame* f, int x, int y, int w, int h, int t, int digit) {
    const uint8_t on = kSegments[digit];
    const int mid = y + h / 2;
    if (on & 0x01) FillRect(f, x, y, x + w, y + t, kWhite);                    // a
    if (on & 0x02) FillRect(f, x + w - t, y, x + w, mid, kWhite);              // b
    if (on & 0x04) FillRect(f, x + w - t, mid, x + w, y + h, kWhite);          // c
    if (on & 0x08) FillRect(f, x, y + h - t, x + w, y + h, kWhite);            // d
    if (on & 0x10) FillRect(f, x, mid, x + t, y + h, kWhite);                  // e
    if (on & 0x20) FillRect(f, x, y, x + t, mid, kWhite);                      // f
    if (on & 0x40) FillRect(f, x, mid - t / 2, x + w, mid + t - t / 2, kWhite);  // g
}

void DrawTime(AVFrame* f, int64_t frame, int fps) {
    char text[32];
    const int64_t tenths = frame * 10 / std::max(fps, 1);  // cut, not rounded: the time the frame begins
    std::snprintf(text, sizeof text, "%lld.%lld", static_cast<long long>(tenths / 10), static_cast<long long>(tenths % 10));
    const int h = f->height / 5;
    const int w = h / 2;
    const int t = std::max(h / 10, 2);
    const int gap = w / 3;
    const int len = static_cast<int>(std::strlen(text));
    const int total = (len - 1) * (w + gap) + t + gap;  // the point is narrow
    int x = (f->width - total) / 2;
    const int y = f->height / 2 + f->height / 12;
    for (const char* p = text; *p; ++p) {
        if (*p == '.') {
            FillRect(f, x, y + h - t, x + t, y + h, kWhite);
            x += t + gap;
        } else {
            DrawDigit(f, x, y, w, h, t, *p - '0');
            x += w + gap;
        }
    }
}

// A 1024 x 1024 luma tile of value noise in three octaves (coarse shapes, edges, fine detail),
// the same on every run.
constexpr int kTile = 1024;

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

const std::vector<uint8_t>& Texture() {
    static const std::vector<uint8_t> tile = [] {
        std::vector<uint8_t> t(kTile * kTile);
        const auto lattice = [](int x, int y, int cell, uint32_t seed) {
            const int n = kTile / cell;
            return static_cast<int>(Hash(seed ^ Hash(((x % n) << 16) | (y % n))) & 255);
        };
        const auto octave = [&](int x, int y, int cell, uint32_t seed) {
            const int gx = x / cell, gy = y / cell;
            const int fx = x % cell, fy = y % cell;
            const int a = lattice(gx, gy, cell, seed), b = lattice(gx + 1, gy, cell, seed);
            const int c = lattice(gx, gy + 1, cell, seed), d = lattice(gx + 1, gy + 1, cell, seed);
            const int top = a * (cell - fx) + b * fx, bottom = c * (cell - fx) + d * fx;
            return (top * (cell - fy) + bottom * fy) / (cell * cell);
        };
        for (int y = 0; y < kTile; ++y)
            for (int x = 0; x < kTile; ++x) {
                const int v = 40 + octave(x, y, 64, 1) / 3 + octave(x, y, 8, 2) / 4 + octave(x, y, 2, 3) / 8;
                t[y * kTile + x] = static_cast<uint8_t>(std::clamp(v, 16, 235));
            }
        return t;
    }();
    return tile;
}

// The grey background as a road scene at frame n: rows above the middle pan by 3 pixels a frame,
// rows below run down by 5; chroma drifts slowly; grain of +-2 levels.
void DrawScene(AVFrame* f, int64_t n) {
    const std::vector<uint8_t>& tile = Texture();
    const int W = f->width, H = f->height;
    for (int y = 0; y < H; ++y) {
        uint8_t* row = f->data[0] + y * f->linesize[0];
        const bool sky = y < H / 2;
        const int ty = static_cast<int>((sky ? y : y + 1024 * 1024 - 5 * n) & (kTile - 1));
        const int dx = sky ? static_cast<int>((3 * n) & (kTile - 1)) : 0;
        const uint8_t* src = tile.data() + ty * kTile;
        for (int x = 0; x < W; ++x) {
            const uint32_t grain = Hash(static_cast<uint32_t>(n * 7919 + y * 4099 + x)) % 5;
            row[x] = static_cast<uint8_t>(src[(x + dx) & (kTile - 1)] + grain - 2);
        }
    }
    for (int y = 0; y < (H + 1) / 2; ++y) {
        uint8_t* u = f->data[1] + y * f->linesize[1];
        uint8_t* v = f->data[2] + y * f->linesize[2];
        for (int x = 0; x < (W + 1) / 2; ++x) {
            const int t = tile[((2 * y) & (kTile - 1)) * kTile + ((x + n) & (kTile - 1))];
            u[x] = static_cast<uint8_t>(118 + t / 16);
            v[x] = static_cast<uint8_t>(124 + (255 - t) / 32);
        }
    }
}

int Luma(Rgb c) { return (299 * c.r + 587 * c.g + 114 * c.b) / 1000; }

int Distance(Rgb a, Rgb b) {
    return (a.r - b.r) * (a.r - b.r) + (a.g - b.g) * (a.g - b.g) + (a.b - b.b) * (a.b - b.b);
}

}  // namespace

Rgb CameraColour(int camera) { return camera == 0 ? Rgb{220, 40, 40} : Rgb{40, 90, 220}; }

void DrawTestPicture(AVFrame* f, int camera, int64_t frame, int fps, bool textured) {
    const int W = f->width, H = f->height;
    if (textured)
        DrawScene(f, frame);
    else
        FillRect(f, 0, 0, W, H, kGrey);
    FillRect(f, 0, 0, W, H / 6, ToYuv(CameraColour(camera)));

    const auto cellX = [W](int i) { return i * W / kCells; };
    for (int i = 0; i < kCells; ++i) {
        bool light = i == 0;
        if (i >= 1 && i <= 16) light = (frame >> (16 - i)) & 1;
        FillRect(f, cellX(i), H / 3, cellX(i + 1), H / 2, light ? kWhite : kBlack);
    }

    DrawTime(f, frame, fps);

    const int step = static_cast<int>(frame % kCells);
    const int cell = camera == 0 ? step : kCells - 1 - step;
    FillRect(f, cellX(cell), H - H / 6, cellX(cell + 1), H, kWhite);
}

TestPictureReading ReadTestPicture(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    TestPictureReading reading;
    if (width < kCells || height < 6) return reading;

    const Rgb band = pixel(width / 2, height / 12);
    const int d0 = Distance(band, CameraColour(0));
    const int d1 = Distance(band, CameraColour(1));
    reading.camera = d0 <= d1 ? 0 : 1;

    bool light[kCells];
    for (int i = 0; i < kCells; ++i) light[i] = Luma(pixel((2 * i + 1) * width / (2 * kCells), 5 * height / 12)) > 128;
    if (light[0] == light[kCells - 1]) return reading;
    reading.mirrored = !light[0];
    int64_t n = 0;
    for (int bit = 1; bit <= 16; ++bit) n = (n << 1) | (light[reading.mirrored ? kCells - 1 - bit : bit] ? 1 : 0);
    reading.frame = n;
    // A band far from both camera colours means this is not a test picture.
    reading.valid = std::min(d0, d1) < 90 * 90;
    return reading;
}

}  // namespace recgen
