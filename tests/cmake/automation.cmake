# The manual-page generator lives in packaging/ (it is a build tool, not part of the program);
# the automation tests check it against the option table, and the end-to-end tests install the
# build, manual page included.
function(gridfall_test_setup_automation exe)
  target_sources(${exe} PRIVATE ${CMAKE_SOURCE_DIR}/packaging/man/man_page.cpp)
  if(exe MATCHES "^e2e_" AND TARGET gridfall_man)
    add_dependencies(${exe} gridfall_man)
  endif()
endfunction()
