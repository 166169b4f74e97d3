# Image buttons, the region builder and child windows drawn over the GL picture.
umbrafield_test(test_image_button ${CMAKE_CURRENT_LIST_DIR}/test_image_button.cpp)
target_include_directories(test_image_button PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
