# The leak-check probe: a program and a library with dynamic TLS, built with the same sanitizer
# flags and default options as the test programs (see tests/unit/support/leak_check_test.cpp).
add_library(gridfall_tls_block MODULE ${CMAKE_CURRENT_LIST_DIR}/../support/tls_block_library.cpp)
add_executable(leak_check_probe ${CMAKE_CURRENT_LIST_DIR}/../support/leak_check_probe.cpp)
target_link_libraries(leak_check_probe PRIVATE gridfall_test_sanitizer_defaults ${CMAKE_DL_LIBS})
function(gridfall_test_setup_support exe)
  add_dependencies(${exe} leak_check_probe gridfall_tls_block)
  target_compile_definitions(${exe} PRIVATE
    GRIDFALL_LEAK_CHECK_PROBE="$<TARGET_FILE:leak_check_probe>"
    GRIDFALL_TLS_BLOCK_LIBRARY="$<TARGET_FILE:gridfall_tls_block>")
endfunction()
