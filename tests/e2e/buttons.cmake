# The image-button example under Xvfb, driven by xdotool.
add_test(NAME test_buttons_e2e COMMAND ${CMAKE_CURRENT_LIST_DIR}/test_buttons_e2e.sh $<TARGET_FILE:lumicore-buttons>)
set_tests_properties(test_buttons_e2e PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77)
