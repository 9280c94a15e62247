# The manual-page generator lives in packaging/ (it is a build tool, not part of the program);
# the automation tests check it against the option table.
function(gridfall_test_setup_automation exe)
  target_sources(${exe} PRIVATE ${CMAKE_SOURCE_DIR}/packaging/man/man_page.cpp)
endfunction()
