# The Windows resources of a KORVEL program: its icon (the committed
# packaging/windows/korvel-configurator.ico, rendered from the SVG) and its
# version resource, the version taken from project().
set(KORVEL_PUBLISHER "KORVEL configurator developers")
set(KORVEL_ICON_FILE ${PROJECT_SOURCE_DIR}/packaging/windows/korvel-configurator.ico)

# korvel_windows_resources(TARGET DESCRIPTION FILE_NAME): FILE_NAME is the
# name the .exe is shipped under.
function(korvel_windows_resources target description file_name)
  set(KORVEL_RC_DESCRIPTION "${description}")
  set(KORVEL_RC_FILE_NAME "${file_name}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${KORVEL_ICON_FILE})
  target_sources(${target} PRIVATE ${rc})
endfunction()
