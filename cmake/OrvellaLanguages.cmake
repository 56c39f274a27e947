# The language files shipped with the program (dist/lang): English and German.
# The program reads one when the user has no language file of their own and
# the interface speaks its language; it looks beside the executable, then in
# ../share/orvella. Installed by OrvellaInstall and OrvellaPackaging; copied
# beside each program of the build folder so that a built program finds them.
set(ORVELLA_LANGUAGE_FILES "${PROJECT_SOURCE_DIR}/dist/lang/orvella-en.lng"
                           "${PROJECT_SOURCE_DIR}/dist/lang/orvella-de.lng")

function(orvella_language_files_beside target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_COMMAND}" -E copy_if_different ${ORVELLA_LANGUAGE_FILES} "$<TARGET_FILE_DIR:${target}>"
    VERBATIM)
endfunction()
