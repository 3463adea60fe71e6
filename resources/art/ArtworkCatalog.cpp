#include "ArtworkCatalog.h"

std::vector<ArtworkItem> AllArtwork() {
  std::vector<ArtworkItem> items;
  AddTitleBarArt(items);
  AddControlPanelArt(items);
  AddPaneArt(items);
  AddVehiclePanelArt(items);
  AddProgramIconArt(items);
  return items;
}
