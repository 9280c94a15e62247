# The reference pictures of --validate (tests/fixtures/validate/*.png) are embedded into the
# program, so an installed gridfall can validate its renderer without data files.
file(GLOB _gridfall_validate_refs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fixtures/validate/*.png)
if(_gridfall_validate_refs)
  gridfall_embed(gridfall_app FindValidateReference ${_gridfall_validate_refs})
  target_compile_definitions(gridfall_app PRIVATE GRIDFALL_HAVE_VALIDATE_REFERENCES)
endif()
