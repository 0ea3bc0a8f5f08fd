# Installs BUILD_DIR into the empty folder PREFIX, compares the files there
# with the list below (and the browser page's WEB_PAGE_FILES, if any), runs each installed program's --version and checks
# that the manual pages name the documents folder of the prefix, also when
# DESTDIR stages the install elsewhere.
set(samples
  airports.airbus.apb airports.airbus.txt minimal.airbus.apb
  minimal.airbus.txt minimal.anf minimal.anf.apb north-south.apb north.anf
  south.anf)
if(WINDOWS)
  set(expected LICENSE README.md converter.exe diagnostics.schema.json formats.md
    trevik.exe)
  if(WINDOWS_MANUALS)
    list(APPEND expected converter.txt trevik.txt)
  endif()
  list(TRANSFORM samples PREPEND examples/ OUTPUT_VARIABLE installed_samples)
  list(TRANSFORM WEB_PAGE_FILES PREPEND web/ OUTPUT_VARIABLE page)
  set(programs converter.exe trevik.exe)
else()
  set(expected
    bin/converter
    bin/trevik
    share/bash-completion/completions/converter
    share/bash-completion/completions/trevik
    share/doc/airport-converters/LICENSE
    share/doc/airport-converters/README.md
    share/doc/airport-converters/diagnostics.schema.json
    share/doc/airport-converters/formats.md
    share/man/man1/converter.1
    share/man/man1/trevik.1)
  list(TRANSFORM samples PREPEND share/doc/airport-converters/examples/
       OUTPUT_VARIABLE installed_samples)
  list(TRANSFORM WEB_PAGE_FILES PREPEND share/airport-converters/web/
       OUTPUT_VARIABLE page)
  set(programs bin/converter bin/trevik)
endif()
# The browser page, where the build made it.
list(APPEND expected ${installed_samples} ${page})

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

# PAGE_PREFIX: the prefix the page under FOLDER names as its documents'.
function(check_pages folder page_prefix)
  string(REPLACE "-" "\\-" documents
         "${page_prefix}/share/doc/airport-converters")
  foreach(page converter trevik)
    file(STRINGS "${folder}/share/man/man1/${page}.1" line REGEX "^\\.ds doc ")
    if(NOT line STREQUAL ".ds doc ${documents}")
      message(FATAL_ERROR "${folder}/share/man/man1/${page}.1 names \"${line}\"")
    endif()
  endforeach()
endfunction()

if(NOT WINDOWS)
  check_pages("${PREFIX}" "${PREFIX}")
  set(staged "${PREFIX}-destdir")
  file(REMOVE_RECURSE "${staged}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${staged}"
            "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /opt/airport
            --config "${CONFIG}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "DESTDIR=... cmake --install failed (${result}):\n${output}")
  endif()
  check_pages("${staged}/opt/airport" /opt/airport)
  file(REMOVE_RECURSE "${staged}")
endif()
message(STATUS "installed: ${installed}")
