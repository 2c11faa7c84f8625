# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build of torven: a windowed program (no console) carrying its icon, made from
# packaging/torven.svg at build time, and its version as Windows resources. scripts/windows lays
# the result out with Qt's DLLs into the zip and the installer (torven.nsi).

enable_language(RC)

find_program(TORVEN_CONVERT NAMES convert REQUIRED)
set(TORVEN_ICO ${CMAKE_BINARY_DIR}/torven.ico)
add_custom_command(
  OUTPUT ${TORVEN_ICO}
  COMMAND ${TORVEN_CONVERT} -background none ${PROJECT_SOURCE_DIR}/packaging/torven.svg
          -define icon:auto-resize=256,48,32,16 ${TORVEN_ICO}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/torven.svg
  VERBATIM)
# The program is defined in another folder, which does not see this folder's custom commands: a
# target here makes the icon, and the program waits for it.
add_custom_target(torven_icon DEPENDS ${TORVEN_ICO})
add_dependencies(torven torven_icon)

configure_file(${CMAKE_CURRENT_LIST_DIR}/torven.rc.in ${CMAKE_BINARY_DIR}/torven.rc @ONLY)
target_sources(torven PRIVATE ${CMAKE_BINARY_DIR}/torven.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/torven.rc TARGET_DIRECTORY torven
                            PROPERTIES OBJECT_DEPENDS ${TORVEN_ICO})
set_target_properties(torven PROPERTIES WIN32_EXECUTABLE ON)
