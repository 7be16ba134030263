# Gives a Windows program what Windows shows of it (packaging/windows/): the project's
# icon (packaging/icons/bump.ico, drawn by tools/make_icon.cpp), the version information
# of its file properties, with `description` as its description, and the application
# manifest (DPI awareness, no elevation). Elsewhere it does nothing.
function(bump_windows_resources target description)
  if(NOT WIN32)
    return()
  endif()
  set(BUMP_RC_NAME ${target})
  set(BUMP_RC_DESCRIPTION "${description}")
  set(BUMP_RC_ICON ${PROJECT_SOURCE_DIR}/packaging/icons/bump.ico)
  set(BUMP_RC_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/${target}.manifest)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/bump.manifest ${BUMP_RC_MANIFEST} @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
  # For the test that reads the resources back.
  set_target_properties(${target} PROPERTIES BUMP_DESCRIPTION "${description}")
  # The resource compiler reads the icon and the manifest without telling the build.
  set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${BUMP_RC_ICON};${BUMP_RC_MANIFEST}")
endfunction()
