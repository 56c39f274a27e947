# The Windows programs orvella.exe and dm3conv.exe.
#
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

# orvella_keep_symbols(target): the zip carries the program stripped (cpack);
# its symbols and any debug information stay beside the build as
# <program>.exe.debug, which the program names (.gnu_debuglink), so that the
# addresses of a crash report can be read back (gdb finds the file beside
# the program).
function(orvella_keep_symbols target)
  if(NOT WIN32 OR NOT CMAKE_OBJCOPY)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_OBJCOPY}" --only-keep-debug "$<TARGET_FILE_NAME:${target}>" "$<TARGET_FILE_NAME:${target}>.debug"
    COMMAND "${CMAKE_OBJCOPY}" --add-gnu-debuglink "$<TARGET_FILE_NAME:${target}>.debug" "$<TARGET_FILE_NAME:${target}>"
    WORKING_DIRECTORY "$<TARGET_FILE_DIR:${target}>"
    COMMENT "Keeping the symbols of ${target} beside the build"
    VERBATIM)
endfunction()
