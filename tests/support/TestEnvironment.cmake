# Every test starts from one environment, whatever the caller's holds: no display (the Qt tests
# draw offscreen; in_xvfb.sh gives the end-to-end ones an Xvfb of their own), one locale, a home
# in the build tree (no user settings, caches, sound server or session bus), and none of the
# variables that change what Quelta's programs do. A variable a test sets itself (ENVIRONMENT or
# ENVIRONMENT_MODIFICATION) stays the test's.
#
#   quelta_settle_tests()           last in every test folder's CMakeLists.txt: the folder's
#                                   add_test() tests
#   quelta_discover_tests(TARGET …) gtest_discover_tests(), the tests it finds included
#   quelta_check_settled(DIR)       fails the configuration for a test that was left out
#   quelta_skipped_test(NAME REASON) a test this build cannot run, reported by ctest as skipped
#                                   with the reason in its output
include(GoogleTest)

set(quelta_test_home ${CMAKE_BINARY_DIR}/tests/home)
file(MAKE_DIRECTORY ${quelta_test_home}/runtime)
file(CHMOD ${quelta_test_home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

set(QUELTA_TEST_ENVIRONMENT
  QT_QPA_PLATFORM=set:offscreen
  DISPLAY=unset: WAYLAND_DISPLAY=unset: XDG_SESSION_TYPE=unset:
  # A desktop's theme, style or scaling moves what the end-to-end tests click on.
  QT_QPA_PLATFORMTHEME=unset: QT_STYLE_OVERRIDE=unset: QT_SCALE_FACTOR=unset:
  QT_SCREEN_SCALE_FACTORS=unset: QT_FONT_DPI=unset:
  # Numbers with a decimal point; a test of a comma locale makes its own (CommaLocale).
  LANG=set:C.UTF-8 LC_ALL=set:C.UTF-8 LANGUAGE=unset:
  HOME=set:${quelta_test_home}
  XDG_CONFIG_HOME=set:${quelta_test_home}/.config
  # QSettings also reads Orda/Quelta.conf from these folders; this one stays empty.
  XDG_CONFIG_DIRS=set:${quelta_test_home}/xdg
  XDG_CACHE_HOME=set:${quelta_test_home}/.cache
  XDG_DATA_HOME=set:${quelta_test_home}/.local/share
  XDG_STATE_HOME=set:${quelta_test_home}/.local/state
  XDG_DATA_DIRS=unset:
  XDG_RUNTIME_DIR=set:${quelta_test_home}/runtime
  DBUS_SESSION_BUS_ADDRESS=unset: PULSE_SERVER=unset:
  QUELTA_LIBRARY=unset: QUELTA_ALARM_TRACE=unset: QUELTA_TRACK_VERBOSE=unset:
  QUELTA_KERNELS=unset: QUELTA_TRACK=unset:)
# Under emulation GStreamer cannot start its plugin scanner, a program of the target: it scans
# the plugins in the test's own process (once; the registry stays in the home's cache). The
# programs run several times slower there, so a test that never ends is stopped later
# (CTestDeadline), and the folders with long tests give them more time (QUELTA_TEST_SLOWDOWN
# times their limit).
set(QUELTA_TEST_SLOWDOWN 1)
if(CMAKE_CROSSCOMPILING_EMULATOR)
  list(APPEND QUELTA_TEST_ENVIRONMENT GST_REGISTRY_FORK=set:no QUELTA_TEST_DEADLINE=set:240)
  set(QUELTA_TEST_SLOWDOWN 3)
  # Why the tests that need an X server are skipped there.
  set(QUELTA_EMULATED_X_REASON "it starts the programs under an Xvfb of its own and drives \
them with xdotool, which a cross build leaves to the native suite")
endif()

# The entries of QUELTA_TEST_ENVIRONMENT for the variables that `own` (NAME=... entries) leaves
# alone.
function(quelta_test_environment_besides own out)
  set(names "")
  foreach(entry ${own})
    string(REGEX REPLACE "=.*" "" name "${entry}")
    list(APPEND names "${name}")
  endforeach()
  set(result "")
  foreach(entry ${QUELTA_TEST_ENVIRONMENT})
    string(REGEX REPLACE "=.*" "" name "${entry}")
    if(NOT name IN_LIST names)
      list(APPEND result "${entry}")
    endif()
  endforeach()
  set(${out} "${result}" PARENT_SCOPE)
endfunction()

function(quelta_settle_tests)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test ${tests})
    get_test_property(${test} ENVIRONMENT environment)
    get_test_property(${test} ENVIRONMENT_MODIFICATION modification)
    set(own "")
    foreach(property environment modification)
      if(${property})
        list(APPEND own ${${property}})
      endif()
    endforeach()
    quelta_test_environment_besides("${own}" settled)
    set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT_MODIFICATION ${settled})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QUELTA_SETTLED_TESTS ${tests})
endfunction()

# The tests gtest_discover_tests() finds exist only when ctest runs: a file that ctest reads
# after the test list gives them the environment.
function(quelta_discover_tests target)
  gtest_discover_tests(${target} ${ARGN})
  cmake_parse_arguments(gtest "NO_PRETTY_TYPES;NO_PRETTY_VALUES"
    "TEST_PREFIX;TEST_SUFFIX;WORKING_DIRECTORY;TEST_LIST;DISCOVERY_TIMEOUT;XML_OUTPUT_DIR;DISCOVERY_MODE"
    "EXTRA_ARGS;PROPERTIES;TEST_FILTER" ${ARGN})
  if(NOT gtest_TEST_LIST)
    set(gtest_TEST_LIST ${target}_TESTS)
  endif()
  cmake_parse_arguments(property "" "ENVIRONMENT;ENVIRONMENT_MODIFICATION" "" ${gtest_PROPERTIES})
  set(own ${property_ENVIRONMENT} ${property_ENVIRONMENT_MODIFICATION})
  quelta_test_environment_besides("${own}" settled)
  list(APPEND settled ${property_ENVIRONMENT_MODIFICATION})
  set(file ${CMAKE_CURRENT_BINARY_DIR}/${target}_environment.cmake)
  file(WRITE ${file} "if(${gtest_TEST_LIST})\n"
    "  set_tests_properties(\${${gtest_TEST_LIST}} PROPERTIES ENVIRONMENT_MODIFICATION\n"
    "    [==[${settled}]==])\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${file})
endfunction()

function(quelta_check_settled dir)
  get_property(settled GLOBAL PROPERTY QUELTA_SETTLED_TESTS)
  get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
  foreach(test ${tests})
    if(NOT test IN_LIST settled)
      message(FATAL_ERROR "test ${test} keeps the caller's environment: end ${dir}/CMakeLists.txt "
                          "with quelta_settle_tests()")
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir ${subdirs})
    quelta_check_settled(${subdir})
  endforeach()
endfunction()

function(quelta_skipped_test name reason)
  add_test(NAME ${name} COMMAND sh -c "echo \"skipped: $1\"; exit 77" skipped "${reason}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()
