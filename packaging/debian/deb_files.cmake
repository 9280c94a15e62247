# CPack pre-build script of the .deb: what Debian's policy wants of an installed package and a
# plain `cmake --install` has no use for. Runs on CPack's staging tree: drops the sections
# dh_strip drops from the (already stripped) program, gzips the manual page and adds the
# changelog and the machine-readable copyright under /usr/share/doc/gridfall/.
# gzip -n: no name or time stamp inside, so the package's bytes depend on its contents only.
set(_root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(_doc "${_root}/share/doc/gridfall")
if(CPACK_GRIDFALL_STRIP)
  execute_process(COMMAND "${CPACK_GRIDFALL_STRIP}" --remove-section=.comment --remove-section=.note
                          "${_root}/bin/gridfall" RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "cannot strip ${_root}/bin/gridfall")
  endif()
endif()
file(GLOB _pages "${_root}/share/man/man*/*.[1-9]")
foreach(_page IN LISTS _pages)
  execute_process(COMMAND gzip -9nf "${_page}" RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "cannot compress ${_page}")
  endif()
endforeach()
file(MAKE_DIRECTORY "${_doc}")
file(COPY "${CPACK_GRIDFALL_DEBIAN_DIR}/copyright" DESTINATION "${_doc}")
# A native package's changelog is changelog.gz.
execute_process(COMMAND gzip -9nc "${CPACK_GRIDFALL_DEBIAN_DIR}/changelog"
                OUTPUT_FILE "${_doc}/changelog.gz" RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  message(FATAL_ERROR "cannot compress the changelog")
endif()
