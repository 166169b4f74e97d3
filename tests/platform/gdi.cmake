# Regions, memory DCs, DIB sections, the converting blit, palettes and global memory.
umbrafield_test(test_gdi_region ${CMAKE_CURRENT_LIST_DIR}/test_gdi_region.cpp)
target_include_directories(test_gdi_region PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
