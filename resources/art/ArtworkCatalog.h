// The list of every image the viewer addresses by number, each with its size and the code
// that draws it. The render tool writes them as PNG files into the build tree.
#pragma once

#include <QPainter>
#include <QSize>

#include <functional>
#include <vector>

enum class ArtKind {
  Png,     // ":/png/<id>.png", with alpha
  Bitmap,  // ":/bmp/<id>.png", opaque (the tab and header bitmaps)
  Icon,    // ":/icon/<id>.png", the program icon
};

struct ArtworkItem {
  ArtKind kind;
  int id;
  QSize size;
  // Draws the image into (0, 0, size): the painter starts on a transparent canvas
  // (opaque black for bitmaps, which must cover every pixel) with antialiasing on.
  std::function<void(QPainter&, QSizeF)> paint;
};

void AddTitleBarArt(std::vector<ArtworkItem>& items);
void AddControlPanelArt(std::vector<ArtworkItem>& items);
void AddPaneArt(std::vector<ArtworkItem>& items);
void AddVehiclePanelArt(std::vector<ArtworkItem>& items);
void AddProgramIconArt(std::vector<ArtworkItem>& items);

std::vector<ArtworkItem> AllArtwork();
