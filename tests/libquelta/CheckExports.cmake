# Fails unless the library's dynamic symbol table defines exactly the calls of quelta.h:
# nothing of the engine, the settings, the capture layer or the C++ library may leak out.
execute_process(COMMAND nm -D --defined-only ${LIB} OUTPUT_VARIABLE table RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm could not read ${LIB}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${table}")
set(names "")
# Lower-case types are local symbols that the linker left in the table; nobody can bind to them.
foreach(line IN LISTS lines)
  if(line MATCHES "^[0-9a-fA-F]* *[A-Z] ")
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Z] " "" name "${line}")
    list(APPEND names ${name})
  endif()
endforeach()
list(SORT names)
set(expected QTACarregarAjustos QTAFinalitza QTAInicialitza QTANomColor QTANombreColors
  QTAObtenirMarques QTAObtenirPosicio QTAObtenirPosicioColor)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "exported: ${names}\nexpected: ${expected}")
endif()
