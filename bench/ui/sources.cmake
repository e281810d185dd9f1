# quelta-ui-bench: the user-interface thread's time per frame of the live document and view.
# Included from bench/CMakeLists.txt. Not part of ctest.
add_executable(quelta-ui-bench ${CMAKE_CURRENT_LIST_DIR}/UiBench.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ColourScene.cpp ${CMAKE_CURRENT_LIST_DIR}/ColourScene.h)
target_link_libraries(quelta-ui-bench PRIVATE quelta_ui)
