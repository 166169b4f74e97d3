# Rendering toolkit: view set-up and lights, texture slots, primitives, teapot.
umbrafield_test(test_view_lighting ${CMAKE_CURRENT_LIST_DIR}/test_view_lighting.cpp)
umbrafield_test(test_texture ${CMAKE_CURRENT_LIST_DIR}/test_texture.cpp)
umbrafield_test(test_primitives ${CMAKE_CURRENT_LIST_DIR}/test_primitives.cpp)
umbrafield_test(test_teapot ${CMAKE_CURRENT_LIST_DIR}/test_teapot.cpp)
# The texture test counts the platform layer's bitmaps to see them released.
target_include_directories(test_texture PRIVATE ${PROJECT_SOURCE_DIR}/platform/src)
