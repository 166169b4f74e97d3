# LoadImageA over BMP files, and the header checks in front of SDL's decoder.
umbrafield_test(test_bitmap_load ${CMAKE_CURRENT_LIST_DIR}/test_bitmap_load.cpp)
target_include_directories(test_bitmap_load PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
