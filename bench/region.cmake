# BitmapToRegion on a 1024 x 1024 image.
find_package(benchmark REQUIRED)
add_executable(bench_region ${CMAKE_CURRENT_LIST_DIR}/bench_region.cpp)
target_link_libraries(bench_region PRIVATE lumicore benchmark::benchmark)
