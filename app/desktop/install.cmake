# Desktop integration: launchers, icons and the type of ".qta" settings files.
# Included from app/CMakeLists.txt; the programs themselves are installed by their own lists.
set(_desktop ${CMAKE_CURRENT_LIST_DIR})

install(FILES ${_desktop}/quelta.desktop ${_desktop}/alarma-quelta.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_desktop}/../panel/icons/quelta.svg ${_desktop}/alarma-quelta.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# shared-mime-info names the type file after the package.
install(FILES ${_desktop}/quelta-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME quelta.xml)

# A staged install (DESTDIR, as cpack does) leaves the caches alone: on the target system the file
# triggers of shared-mime-info and desktop-file-utils rebuild them when a package brings these
# files. A direct install refreshes them so the new type and launchers show at once.
install(CODE "set(_quelta_datadir \"${CMAKE_INSTALL_DATADIR}\")")
install(CODE [[
  if(NOT IS_ABSOLUTE "${_quelta_datadir}")
    set(_quelta_datadir "${CMAKE_INSTALL_PREFIX}/${_quelta_datadir}")
  endif()
  if("$ENV{DESTDIR}" STREQUAL "")
    find_program(_update_mime update-mime-database)
    if(_update_mime)
      execute_process(COMMAND ${_update_mime} "${_quelta_datadir}/mime"
        RESULT_VARIABLE _ignored OUTPUT_QUIET ERROR_QUIET)
    endif()
    find_program(_update_desktop update-desktop-database)
    if(_update_desktop)
      execute_process(COMMAND ${_update_desktop} -q "${_quelta_datadir}/applications"
        RESULT_VARIABLE _ignored OUTPUT_QUIET ERROR_QUIET)
    endif()
  endif()
]])

unset(_desktop)
