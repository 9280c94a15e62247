# The scene-image generator lives in tools/; its determinism test links the generator library.
if(NOT TARGET gridfall_texgen)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tools ${CMAKE_BINARY_DIR}/tools)
endif()
function(gridfall_test_setup_texgen exe)
  target_link_libraries(${exe} PRIVATE gridfall_texgen_lib)
  target_include_directories(${exe} PRIVATE ${STB_INCLUDE_DIR})
endfunction()
