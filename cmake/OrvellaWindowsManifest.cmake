# orvella_windows_manifest(target description): embeds the application
# manifest of dist/windows/orvella.manifest.in in a Windows executable (the
# UTF-8 ANSI code page, the supported systems, long paths, Common Controls 6,
# per-monitor DPI awareness). MinGW's own default manifest gives way to it.
function(orvella_windows_manifest target description)
  if(NOT WIN32)
    return()
  endif()
  set(ORVELLA_MANIFEST_PROGRAM "${target}")
  set(ORVELLA_MANIFEST_DESCRIPTION "${description}")
  set(_dir "${CMAKE_CURRENT_BINARY_DIR}/${target}-manifest")
  configure_file("${PROJECT_SOURCE_DIR}/dist/windows/orvella.manifest.in" "${_dir}/${target}.manifest" @ONLY)
  # CREATEPROCESS_MANIFEST_RESOURCE_ID (1), RT_MANIFEST (24).
  file(WRITE "${_dir}/${target}-manifest.rc.in" "1 24 \"${_dir}/${target}.manifest\"\n")
  configure_file("${_dir}/${target}-manifest.rc.in" "${_dir}/${target}-manifest.rc" COPYONLY)
  target_sources(${target} PRIVATE "${_dir}/${target}-manifest.rc")
  set_property(SOURCE "${_dir}/${target}-manifest.rc" APPEND PROPERTY OBJECT_DEPENDS "${_dir}/${target}.manifest")
endfunction()
