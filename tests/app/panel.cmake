# Tests of the configuration panel and the About box. Included from tests/app/CMakeLists.txt.
set(_here ${CMAKE_CURRENT_LIST_DIR})

add_executable(config_panel_tests ${_here}/ConfigPanelDlgTest.cpp)
add_executable(about_dialog_tests ${_here}/AboutDialogTest.cpp)
foreach(_test config_panel_tests about_dialog_tests)
  set_target_properties(${_test} PROPERTIES AUTOMOC ON)
  target_link_libraries(${_test} PRIVATE quelta_ui Qt6::Test)
  add_test(NAME ${_test} COMMAND ${_test})
  set_tests_properties(${_test} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${_test}-config")
endforeach()

# The desktop files are only read by other programs; check them where the checkers exist.
find_program(QUELTA_XMLLINT xmllint)
if(QUELTA_XMLLINT)
  add_test(NAME quelta_mime_xml_is_well_formed
    COMMAND ${QUELTA_XMLLINT} --noout ${_here}/../../app/desktop/quelta-mime.xml)
endif()
find_program(QUELTA_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(QUELTA_DESKTOP_FILE_VALIDATE)
  add_test(NAME quelta_desktop_files_are_valid
    COMMAND ${QUELTA_DESKTOP_FILE_VALIDATE}
      ${_here}/../../app/desktop/quelta.desktop ${_here}/../../app/desktop/alarma-quelta.desktop)
endif()
unset(_here)
