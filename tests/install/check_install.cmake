# Installs BUILD_DIR into the empty folder PREFIX, compares the files there
# with the list below and runs each installed program's --version.
if(WINDOWS)
  set(expected LICENSE README.md converter.exe formats.md trevik.exe)
  set(programs converter.exe trevik.exe)
else()
  set(expected
    bin/converter
    bin/trevik
    share/bash-completion/completions/converter
    share/bash-completion/completions/trevik
    share/doc/airport-converters/LICENSE
    share/doc/airport-converters/README.md
    share/doc/airport-converters/formats.md
    share/man/man1/converter.1
    share/man/man1/trevik.1)
  set(programs bin/converter bin/trevik)
endif()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
          --config "${CONFIG}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE "${PREFIX}"
     "${PREFIX}/*")
list(SORT installed)
list(SORT expected)
if(NOT installed STREQUAL expected)
  set(extra ${installed})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${installed})
  list(JOIN extra "\n  " extra)
  list(JOIN missing "\n  " missing)
  message(FATAL_ERROR
    "cmake --install gave other files than expected\n"
    "not expected:\n  ${extra}\nmissing:\n  ${missing}")
endif()

foreach(program IN LISTS programs)
  execute_process(
    COMMAND ${EMULATOR} "${PREFIX}/${program}" --version
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  string(REGEX REPLACE "\\.exe$" "" name "${program}")
  get_filename_component(name "${name}" NAME)
  # Windows programs end their lines with CR LF on the console.
  string(REPLACE "\r" "" output "${output}")
  if(NOT result EQUAL 0 OR NOT output STREQUAL "${name} ${VERSION}\n")
    message(FATAL_ERROR
      "installed ${program} --version: exit ${result}, printed \"${output}\"")
  endif()
endforeach()
message(STATUS "installed: ${installed}")
