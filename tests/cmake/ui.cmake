# The first-start tests install this build (an installed copy keeps its settings under XDG),
# and the installation includes the manual page.
function(gridfall_test_setup_ui exe)
  if(exe MATCHES "^e2e_" AND TARGET gridfall_man)
    add_dependencies(${exe} gridfall_man)
  endif()
endfunction()
