# Fails when the binary FILE needs Qt's widget or GUI libraries: the tracking library and the
# headless tools are loaded by programs (and run on machines) that have no display toolkit.
execute_process(COMMAND readelf -d ${FILE} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "readelf could not read ${FILE}")
endif()
string(REGEX MATCHALL "NEEDED[^\n]*\\[[^]]+\\]" needed "${dynamic}")
foreach(entry IN LISTS needed)
  if(entry MATCHES "libQt6(Widgets|Gui|OpenGL)")
    message(FATAL_ERROR "${FILE} needs ${CMAKE_MATCH_0}:\n${needed}")
  endif()
endforeach()
message(STATUS "${FILE} needs no widget toolkit")
