# `cmake --install` (prefix CMAKE_INSTALL_PREFIX, folders by GNUInstallDirs):
# the orvella, dm3conv and orvella-check executables, the DM3 image plugin in a Qt plugin
# folder under the prefix, the desktop entry and the icon, and the shipped
# language files in <datadir>/orvella, where the program looks for them
# (bin/../share/orvella).
# On Windows the program is not installed but unzipped: see OrvellaPackaging.
if(WIN32)
  return()
endif()
include(GNUInstallDirs)

if(TARGET orvella)
  install(TARGETS orvella RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
if(TARGET dm3conv)
  install(TARGETS dm3conv RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()
if(TARGET orvella-check)
  install(TARGETS orvella-check RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

# Installed into Qt's own prefix, the plugin goes into Qt's plugin folder;
# under any other prefix into <libdir>/qt6/plugins, which Qt searches once
# QT_PLUGIN_PATH names it.
if(TARGET qdm3)
  if(NOT DEFINED ORVELLA_INSTALL_QTPLUGINDIR)
    set(_plugins "${CMAKE_INSTALL_LIBDIR}/qt6/plugins")
    if(QT6_INSTALL_PREFIX AND QT6_INSTALL_PLUGINS AND CMAKE_INSTALL_PREFIX STREQUAL QT6_INSTALL_PREFIX)
      set(_plugins "${QT6_INSTALL_PLUGINS}")
    endif()
    set(ORVELLA_INSTALL_QTPLUGINDIR "${_plugins}" CACHE STRING
        "Folder of Qt plugins, relative to the prefix, that receives imageformats/libqdm3")
  endif()
  install(TARGETS qdm3 LIBRARY DESTINATION "${ORVELLA_INSTALL_QTPLUGINDIR}/imageformats"
                       RUNTIME DESTINATION "${ORVELLA_INSTALL_QTPLUGINDIR}/imageformats")
endif()

install(FILES ${ORVELLA_LANGUAGE_FILES} DESTINATION "${CMAKE_INSTALL_DATADIR}/orvella")

if(UNIX AND NOT APPLE)
  install(FILES "${PROJECT_SOURCE_DIR}/dist/linux/orvella.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${PROJECT_SOURCE_DIR}/dist/linux/orvella.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
  foreach(_size 16 32 48 64 128 256)
    install(FILES "${PROJECT_SOURCE_DIR}/dist/linux/icons/${_size}x${_size}/orvella.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps")
  endforeach()
endif()
