# The configuration panel, the About box and the toolbar pictures, added to the app's library.
# Included from app/CMakeLists.txt.
set(_panel ${CMAKE_CURRENT_LIST_DIR})

target_sources(quelta_ui PRIVATE
  ${_panel}/AboutDialog.cpp
  ${_panel}/AboutDialog.h
  ${_panel}/ConfigPanelDlg.cpp
  ${_panel}/ConfigPanelDlg.h
  ${_panel}/ConfigPanelLayout.h
  ${_panel}/DialogUnits.cpp
  ${_panel}/DialogUnits.h
  ${_panel}/EditBoxNumber.cpp
  ${_panel}/EditBoxNumber.h
)
target_include_directories(quelta_ui PUBLIC ${_panel})
target_link_libraries(quelta_ui PUBLIC Qt6::Widgets Qt6::Svg)

# The target form, rather than a .qrc through AUTORCC: in a static library an unreferenced
# resource object is dropped by the linker, and Qt links this one into every consumer.
qt_add_resources(quelta_ui quelta_panel_pictures
  PREFIX /
  BASE ${_panel}
  FILES
    ${_panel}/icons/open.svg
    ${_panel}/icons/save.svg
    ${_panel}/icons/config.svg
    ${_panel}/icons/camera.svg
    ${_panel}/icons/format.svg
    ${_panel}/icons/source.svg
    ${_panel}/icons/display.svg
    ${_panel}/icons/about.svg
    ${_panel}/icons/exit.svg
    ${_panel}/icons/quelta.svg
    ${_panel}/images/about.svg
)
unset(_panel)
