# libarchive reads the 7z-compressed DSF tiles of the scenery order. Found
# once for the whole build (the order's library and the tests that write 7z
# tiles share the target). The Windows cross build takes the static
# libarchive and liblzma for MinGW-w64 kept beside this repository
# (../shared/libarchive-mingw, see its BUILD.md); without them 7z tiles are of
# unknown kind there.
# ORVELLA_WITH_LIBARCHIVE=OFF builds without it even where it is found.
option(ORVELLA_WITH_LIBARCHIVE "Read 7z-compressed DSF tiles with libarchive where it is found" ON)
if(NOT ORVELLA_WITH_LIBARCHIVE)
  return()
endif()
if(WIN32 AND CMAKE_CROSSCOMPILING)
  set(ORVELLA_LIBARCHIVE_MINGW "${PROJECT_SOURCE_DIR}/../shared/libarchive-mingw"
      CACHE PATH "Static libarchive and liblzma for MinGW-w64")
  if(EXISTS "${ORVELLA_LIBARCHIVE_MINGW}/lib/libarchive.a" AND EXISTS "${ORVELLA_LIBARCHIVE_MINGW}/lib/liblzma.a")
    set(LibArchive_INCLUDE_DIR "${ORVELLA_LIBARCHIVE_MINGW}/include" CACHE PATH "" FORCE)
    set(LibArchive_LIBRARY "${ORVELLA_LIBARCHIVE_MINGW}/lib/libarchive.a" CACHE FILEPATH "" FORCE)
    set(LIBLZMA_INCLUDE_DIR "${ORVELLA_LIBARCHIVE_MINGW}/include" CACHE PATH "" FORCE)
    set(LIBLZMA_LIBRARY "${ORVELLA_LIBARCHIVE_MINGW}/lib/liblzma.a" CACHE FILEPATH "" FORCE)
  endif()
endif()
find_package(LibArchive GLOBAL)
if(LibArchive_FOUND AND WIN32 AND CMAKE_CROSSCOMPILING)
  # Static: no DLL imports in archive.h, and liblzma after libarchive.
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC)
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_LINK_LIBRARIES
                                                             "${ORVELLA_LIBARCHIVE_MINGW}/lib/liblzma.a")
endif()
# liblzma (under libarchive already) also decompresses the start of a 7z
# tile of the usual shape directly, without libarchive's whole-block buffers.
if(LibArchive_FOUND)
  find_package(LibLZMA)
  if(LibLZMA_FOUND AND WIN32 AND CMAKE_CROSSCOMPILING)
    set_property(TARGET LibLZMA::LibLZMA APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
  endif()
endif()
