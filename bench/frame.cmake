# umbrafield-bench: the demo's frame, its passes and how their cost grows.
# Run it from the directory that holds the scene textures:
#   cd build/umbrafield && ../bench/umbrafield-bench --json bench.json
add_executable(umbrafield-bench ${CMAKE_CURRENT_LIST_DIR}/umbrafield_bench.cpp)
target_link_libraries(umbrafield-bench PRIVATE umbrafield)
add_dependencies(umbrafield-bench scene_textures)

if(UMBRAFIELD_TESTS)
  # A smoke run only: it checks that the figures are written, never their size.
  add_test(NAME umbrafield_bench_quick_json
    COMMAND ${CMAKE_COMMAND}
      -DBENCH=$<TARGET_FILE:umbrafield-bench>
      -DJSON=${CMAKE_CURRENT_BINARY_DIR}/umbrafield_bench_quick.json
      -P ${CMAKE_CURRENT_LIST_DIR}/check_bench_json.cmake
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/umbrafield)
  set_tests_properties(umbrafield_bench_quick_json PROPERTIES
    ENVIRONMENT SDL_VIDEODRIVER=offscreen
    TIMEOUT 300)
endif()
