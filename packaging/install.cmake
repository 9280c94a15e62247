# Desktop integration and documentation for `cmake --install`: desktop entry, icons, AppStream
# metadata, the manual page (generated from the program's option table, the same rows as
# --help) and the results schema. Included by the top-level CMakeLists.txt.
set(GRIDFALL_APP_ID example.lumetra.Gridfall)
set(_pkg ${CMAKE_SOURCE_DIR}/packaging)
include(${_pkg}/validate_references.cmake)

install(FILES ${_pkg}/gridfall.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications RENAME ${GRIDFALL_APP_ID}.desktop)
install(FILES ${_pkg}/gridfall.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo RENAME ${GRIDFALL_APP_ID}.metainfo.xml)
install(FILES ${_pkg}/icons/gridfall.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${GRIDFALL_APP_ID}.svg)
install(FILES ${_pkg}/icons/gridfall-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME ${GRIDFALL_APP_ID}.png)
# share/doc/<package name>, as Debian wants it (CMake's default would be share/doc/Gridfall).
install(FILES ${_pkg}/results.schema.json ${_pkg}/results-schema.md
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/gridfall)

# The manual page is written at build time by a small program that links the option table.
add_executable(gridfall_manpage ${_pkg}/man/manpage_main.cpp ${_pkg}/man/man_page.cpp)
target_link_libraries(gridfall_manpage PRIVATE gridfall_core)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/gridfall.1
  COMMAND gridfall_manpage ${CMAKE_BINARY_DIR}/gridfall.1
  DEPENDS gridfall_manpage
  COMMENT "Generating the gridfall(1) manual page"
  VERBATIM)
add_custom_target(gridfall_man ALL DEPENDS ${CMAKE_BINARY_DIR}/gridfall.1)
install(FILES ${CMAKE_BINARY_DIR}/gridfall.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The marker that tells the installed program it is installed (core/base_dir.cpp).
install(FILES ${_pkg}/installed.txt DESTINATION ${CMAKE_INSTALL_DATADIR}/gridfall RENAME installed)
