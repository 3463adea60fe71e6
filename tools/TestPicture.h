// The moving test picture of the generated videos, and how a test reads it back.
//
// Picture of frame n of camera k (k = 0 front, k = 1 second camera), for any size W x H:
//
//   rows [0, H/6)         the camera's colour, solid (CameraColour(k))
//   rows [H/3, H/2)       the frame counter: 18 equal cells across the width; cell 0 is
//                         always white, cell 17 always black, cells 1-16 are the 16 bits of
//                         n, most significant first (white = 1, black = 0). A mirrored
//                         picture shows cell 0 black and cell 17 white.
//   rows [H/2+H/12, ...)  the time n / fps in seconds, cut to tenths ("2.4"), in large digits
//   rows [5H/6, H)        a white block one cell wide that steps one cell to the right per
//                         frame (to the left on camera 1), the moving part of the picture
//   everything else       dark grey
//
// A textured picture (for benchmarks: it costs to code and decode what camera footage costs)
// draws the dark grey parts as a road scene instead: a detailed texture whose upper half pans
// sideways and whose lower half runs towards the viewer, both at their own pace, with a faint
// grain that changes every frame. The bands, cells, time and block stay as above, so it reads
// back the same.
//
// A test samples the centre of each cell (after any scaling to the pane), classifies each
// sample as light or dark, and reads n; ReadTestPicture does exactly that.
#pragma once

#include <cstdint>
#include <functional>

extern "C" {
struct AVFrame;
}

namespace recgen {

struct Rgb {
    int r = 0, g = 0, b = 0;
};

// Camera 0 is red (220, 40, 40), camera 1 blue (40, 90, 220).
Rgb CameraColour(int camera);

// Draws frame `frame` of `camera` into a YUV 4:2:0 frame (BT.601, limited range).
void DrawTestPicture(AVFrame* picture, int camera, int64_t frame, int fps, bool textured = false);

struct TestPictureReading {
    bool valid = false;     // the marker cells and the camera band were found
    int camera = -1;        // 0 or 1: the nearer of the two camera colours
    int64_t frame = -1;     // the counter
    bool mirrored = false;  // the picture was flipped left to right
};

// Reads a displayed test picture. `pixel(x, y)` returns the colour at (x, y) of an image
// `width` x `height` holding the whole picture (any pixel format: the caller converts).
TestPictureReading ReadTestPicture(int width, int height, const std::function<Rgb(int x, int y)>& pixel);

}  // namespace recgen
