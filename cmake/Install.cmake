# Installed layout under the prefix P:
#   P/bin/tavro-viewer
#   P/bin/tavro-export                                  the evidence exporter (command line)
#   P/share/tavro-viewer/html/…                        map pages with Leaflet (resources/html)
#   P/share/applications/tavro-viewer.desktop          menu entry, opens .mp4 and .avi files (%F)
#   P/share/icons/hicolor/256x256/apps/tavro-viewer.png
# Artwork and strings are embedded in the executable. Config.ini and log.txt live in the
# working directory the viewer is started in, never under the prefix.
include(GNUInstallDirs)
if(TARGET tavro-viewer)
  install(TARGETS tavro-viewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/tavro-viewer.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The program icon is drawn with the rest of the artwork when tavro_resources builds.
  install(FILES ${PROJECT_BINARY_DIR}/resources/artwork/icon/128.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
    RENAME tavro-viewer.png)
endif()
if(TARGET tavro-export)
  install(TARGETS tavro-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
