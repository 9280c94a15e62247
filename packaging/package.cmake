# Release artefacts. `cmake --build BUILD --target dist` makes gridfall-VERSION.tar.gz from the
# tracked files and the test-suite profile that installs from it (BUILD/dist/);
# `cpack -G DEB` in a Release build tree makes the .deb of what `cmake --install` installs.
add_custom_target(dist
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/make-dist.sh ${CMAKE_BINARY_DIR}/dist
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
  COMMENT "Making gridfall-${PROJECT_VERSION}.tar.gz and its test-suite profile"
  VERBATIM)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME gridfall)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Lumetra")
set(CPACK_PACKAGE_CONTACT "Gridfall developers <gridfall@lumetra.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "OpenGL 4 tessellation benchmark and GPU stability test")
# dpkg shows the description in an 80-column terminal: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Gridfall renders an animated, displaced sphere whose triangles the GPU\n"
  "subdivides with OpenGL 4 tessellation shaders, scores a benchmark run by the\n"
  "frames rendered in a fixed time, and runs an endless stability test with\n"
  "temperature graphs per GPU. It runs on a desktop with a startup dialog or\n"
  "headless for scripts and CI.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://gridfall.lumetra.example/")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends from the shared libraries the program links (dpkg-shlibdeps), plus what it opens
# by name at run time: the HUD's font.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libnvidia-ml1")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The changelog, the copyright, the compressed manual page and the program without the
# sections Debian strips (packaging/debian/).
set(CPACK_GRIDFALL_DEBIAN_DIR ${CMAKE_SOURCE_DIR}/packaging/debian)
set(CPACK_PRE_BUILD_SCRIPTS ${CPACK_GRIDFALL_DEBIAN_DIR}/deb_files.cmake)
set(CPACK_GRIDFALL_STRIP ${CMAKE_STRIP})
# The changelog's latest entry is the release being packaged.
file(STRINGS ${CPACK_GRIDFALL_DEBIAN_DIR}/changelog _changelog_top LIMIT_COUNT 1)
if(NOT _changelog_top MATCHES "^gridfall \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/debian/changelog does not start with gridfall (${PROJECT_VERSION}): "
                  "add an entry for this release before making the .deb")
endif()
include(CPack)
