# The device dialogs, compiled into quelta_capture (included from capture/CMakeLists.txt).
target_sources(quelta_capture PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/ControlNames.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/DeviceDialogs.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/DialogButtons.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/FormatDialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/FormatDialog.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/SourceChoiceDialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/SourceChoiceDialog.h
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/SourceDialog.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/dialogs/SourceDialog.h
)
target_include_directories(quelta_capture PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/dialogs)
