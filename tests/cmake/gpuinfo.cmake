# The gpuinfo tests load a scripted stand-in for NVIDIA's management library: one build with
# the versioned entry points and every sensor call, one with plain names and no sensors.
add_library(fake_nvml SHARED ${GRIDFALL_FIXTURES_DIR}/gpuinfo/fake_nvml.cpp)
add_library(fake_nvml_plain SHARED ${GRIDFALL_FIXTURES_DIR}/gpuinfo/fake_nvml.cpp)
target_compile_definitions(fake_nvml_plain PRIVATE FAKE_NVML_PLAIN_NAMES)

function(gridfall_test_setup_gpuinfo exe)
  add_dependencies(${exe} fake_nvml fake_nvml_plain)
  target_compile_definitions(${exe} PRIVATE
    FAKE_NVML_PATH="$<TARGET_FILE:fake_nvml>"
    FAKE_NVML_PLAIN_PATH="$<TARGET_FILE:fake_nvml_plain>")
endfunction()
