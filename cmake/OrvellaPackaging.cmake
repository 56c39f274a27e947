# The Windows download: one zip (cpack, ZIP generator) holding orvella.exe,
# dm3conv.exe, orvella-check.exe, the shipped language files, the README and the licence in one folder. Unzipped anywhere,
# the program keeps its settings file beside itself.
#   cmake --build --preset mingw && cpack --config build/mingw/CPackConfig.cmake -B build/mingw/package
if(NOT WIN32 OR NOT ORVELLA_BUILD_UI)
  return()
endif()
install(TARGETS orvella RUNTIME DESTINATION .)
if(TARGET dm3conv)
  install(TARGETS dm3conv RUNTIME DESTINATION .)
endif()
if(TARGET orvella-check)
  install(TARGETS orvella-check RUNTIME DESTINATION .)
endif()
# The zip carries stripped programs; their symbols stay beside the build
# (orvella_keep_symbols, cmake/OrvellaWindowsPrograms.cmake).
set(CPACK_STRIP_FILES ON)
install(FILES "${PROJECT_SOURCE_DIR}/README.md" "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION .)
install(FILES ${ORVELLA_LANGUAGE_FILES} DESTINATION .)
# The notices of the libraries linked in statically (2-clause BSD licence of
# libarchive, public domain of liblzma) travel with the programs.
if(ORVELLA_LIBARCHIVE_MINGW AND EXISTS "${ORVELLA_LIBARCHIVE_MINGW}/share/doc/libarchive/COPYING")
  install(FILES "${ORVELLA_LIBARCHIVE_MINGW}/share/doc/libarchive/COPYING" DESTINATION . RENAME LICENSE-libarchive.txt)
  install(FILES "${ORVELLA_LIBARCHIVE_MINGW}/share/doc/xz/COPYING" DESTINATION . RENAME LICENSE-liblzma.txt)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "Orvella")
set(CPACK_PACKAGE_VENDOR "Orvella")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "orvella-${PROJECT_VERSION}-windows-x64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
include(CPack)
