// Drawing the embedded images, addressed by number: PNG resources (":/png/<id>.png") and the
// tab and header bitmaps (":/bmp/<id>.png"). Decoded images are cached for the life of the
// process; only the user-interface thread may use these functions.
#pragma once

#include <QImage>

class QPainter;

// The decoded image, or a null image when the resource is missing or cannot be decoded.
const QImage& LoadPngResource(int id);
const QImage& LoadBitmapResource(int id);

// Draws PNG resource `id` scaled into (x, y, width, height). A missing or undecodable
// resource draws nothing. Always returns 0.
int DrawPngResource(QPainter& painter, int id, int x, int y, int width, int height);

// Draws PNG resource `id` at its own size with its top-left corner at (x, y); nothing when
// the resource is missing or undecodable. Always returns 0.
int DrawPngResourceAtOwnSize(QPainter& painter, int id, int x, int y);
