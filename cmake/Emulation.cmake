# Programs of a cross build run on this machine under the emulator its toolchain file names
# (CMAKE_CROSSCOMPILING_EMULATOR, qemu's user mode); ctest puts it before every test program by
# itself. Where a test starts a program of the build as a child, or runs the target's Python,
# this machine's kernel cannot start the file: the test is given a shell script in
# <build>/emulated/ that starts it under the emulator. Without an emulator, the programs' own
# paths.
#   quelta_program_path(<var> <target>)  the path a test starts <target> by
# In a cross build with a root that has Python (CMAKE_SYSROOT/usr/bin/python3), the target's
# interpreter is Python3_EXECUTABLE, so that the module is built and tested for it.
set(quelta_emulated_dir ${CMAKE_BINARY_DIR}/emulated)

# The script's text: the program, under the emulator, keeps the argv[0] its caller gave (qemu's
# -0), so a program that starts itself again (Python's sys.executable) starts the script.
function(quelta_emulated_script_text var program environment)
  set(words "")
  foreach(word ${CMAKE_CROSSCOMPILING_EMULATOR})
    string(APPEND words "'${word}' ")
  endforeach()
  set(${var} "#!/bin/sh\n# ${program} under emulation\n${environment}exec ${words}-0 \"$0\" \
'${program}' \"$@\"\n" PARENT_SCOPE)
endfunction()

function(quelta_program_path var target)
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(${var} $<TARGET_FILE:${target}> PARENT_SCOPE)
    return()
  endif()
  set(script ${quelta_emulated_dir}/${target})
  set(${var} ${script} PARENT_SCOPE)
  get_property(written GLOBAL PROPERTY QUELTA_EMULATED_PROGRAMS)
  if(target IN_LIST written)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY QUELTA_EMULATED_PROGRAMS ${target})
  quelta_emulated_script_text(text $<TARGET_FILE:${target}> "")
  file(GENERATE OUTPUT ${script} CONTENT "${text}" FILE_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endfunction()

# The root's interpreter takes its standard library from the root (PYTHONHOME), wherever the
# script that starts it lies.
if(CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_SYSROOT AND EXISTS ${CMAKE_SYSROOT}/usr/bin/python3
   AND NOT DEFINED Python3_EXECUTABLE)
  quelta_emulated_script_text(text ${CMAKE_SYSROOT}/usr/bin/python3
    "PYTHONHOME='${CMAKE_SYSROOT}/usr' ")
  file(WRITE ${quelta_emulated_dir}/python3 "${text}")
  file(CHMOD ${quelta_emulated_dir}/python3 FILE_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(Python3_EXECUTABLE ${quelta_emulated_dir}/python3 CACHE FILEPATH
    "The Python the module is built for")
  # FindPython asks no interpreter of another processor where its headers are.
  execute_process(COMMAND ${Python3_EXECUTABLE} -c
    "import sysconfig; print(sysconfig.get_path('include'))"
    OUTPUT_VARIABLE include OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  set(Python3_INCLUDE_DIR ${include} CACHE PATH "The headers of the Python the module is built for")
endif()
