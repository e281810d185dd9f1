# The device dialogs' own tests (included from tests/capture/CMakeLists.txt).
add_executable(capture_dialogs_tests
  ${CMAKE_CURRENT_LIST_DIR}/DialogsMain.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogsTests.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DialogsTests.h
  ${CMAKE_CURRENT_LIST_DIR}/DialogsLiveTests.cpp
)
set_target_properties(capture_dialogs_tests PROPERTIES AUTOMOC ON)
target_link_libraries(capture_dialogs_tests PRIVATE quelta_capture Qt6::Widgets Qt6::Test)
add_test(NAME capture_dialogs_tests COMMAND capture_dialogs_tests)
set_tests_properties(capture_dialogs_tests PROPERTIES
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/dialogs-config")
