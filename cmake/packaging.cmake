# What `cmake --install` puts where, and the packages `cpack` makes of it:
# a .deb and a .tar.gz on Linux, a flat .zip on Windows.

include(GNUInstallDirs)

# Debian package names allow no underscore, so the package and its
# documentation folder are named with a hyphen, unlike the CMake project.
set(PACKAGE_NAME airport-converters)
if("$CACHE{CMAKE_INSTALL_DOCDIR}" STREQUAL "")
  set(CMAKE_INSTALL_DOCDIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/${PACKAGE_NAME}")
endif()

# Folders get the same mode whatever the umask of whoever installs or packs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)

set(DOCUMENTS README.md docs/formats.md docs/diagnostics.schema.json LICENSE)

# The samples, each with the "APB" it gives, so that a user can check the
# installed programs: trevik's is that of north.anf and south.anf read in
# that order, the two expected files of the tests joined.
set(joined_apb "${PROJECT_BINARY_DIR}/examples/north-south.apb")
set(joined_draft "${PROJECT_BINARY_DIR}/CMakeFiles/north-south.apb")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E cat tests/data/north.apb tests/data/south.apb
  WORKING_DIRECTORY "${PROJECT_SOURCE_DIR}" OUTPUT_FILE "${joined_draft}"
  COMMAND_ERROR_IS_FATAL ANY)
configure_file("${joined_draft}" "${joined_apb}" COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  tests/data/north.apb tests/data/south.apb)
set(SAMPLES
  examples/airports.airbus.txt tests/data/airports.airbus.apb
  examples/north.anf examples/south.anf "${joined_apb}"
  examples/minimal.airbus.txt examples/minimal.airbus.apb
  examples/minimal.anf examples/minimal.anf.apb)

if(WIN32)
  # One folder, as Windows programs are unpacked: the programs beside their
  # documents, the manual pages as plain text, and the samples.
  install(TARGETS converter trevik RUNTIME DESTINATION .)
  install(FILES ${DOCUMENTS} DESTINATION .)
  install(FILES ${SAMPLES} DESTINATION examples)
  find_program(GROFF_PROGRAM groff)
  if(GROFF_PROGRAM)
    set(manual_texts "")
    foreach(page converter trevik)
      set(text "${PROJECT_BINARY_DIR}/man/${page}.txt")
      add_custom_command(OUTPUT "${text}"
        COMMAND "${CMAKE_COMMAND}" -D "SOURCE=${PROJECT_SOURCE_DIR}/man/${page}.1"
                -D "OUTPUT=${text}" -D "GROFF=${GROFF_PROGRAM}"
                -P "${PROJECT_SOURCE_DIR}/cmake/manual_pages.cmake"
        DEPENDS man/${page}.1 cmake/manual_pages.cmake VERBATIM)
      list(APPEND manual_texts "${text}")
    endforeach()
    add_custom_target(manual_texts ALL DEPENDS ${manual_texts})
    install(FILES ${manual_texts} DESTINATION .)
  else()
    message(WARNING "groff not found: the manual pages are left out")
  endif()
else()
  install(TARGETS converter trevik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${DOCUMENTS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${SAMPLES} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
  # The pages are made as they are installed, so that they name the
  # documents of the prefix installed into: /usr for the .deb, the one given
  # to `cmake --install`, and /usr/local for the .tar.gz, which cpack packs
  # from a folder of its own (cpack_options.cmake names that prefix). The
  # made pages wait in a folder of the build, made now, so that whoever
  # builds may replace a page that an install as root made there.
  file(MAKE_DIRECTORY "${PROJECT_BINARY_DIR}/man")
  string(CONFIGURE [[
    include("@PROJECT_SOURCE_DIR@/cmake/manual_pages.cmake")
    set(named_prefix "${CMAKE_INSTALL_PREFIX}")
    if(DEFINED ENV{MANUAL_PAGES_PREFIX})
      set(named_prefix "$ENV{MANUAL_PAGES_PREFIX}")
    endif()
    set(docdir "@CMAKE_INSTALL_DOCDIR@")
    if(NOT IS_ABSOLUTE "${docdir}")
      set(docdir "${named_prefix}/${docdir}")
    endif()
    set(made_pages "")
    foreach(page converter trevik)
      set(made "@PROJECT_BINARY_DIR@/man/${page}.1")
      file(REMOVE "${made}")
      configure_manual_page("@PROJECT_SOURCE_DIR@/man/${page}.1" "${made}"
                            "${docdir}" / 0)
      list(APPEND made_pages "${made}")
    endforeach()
    set(mandir "@CMAKE_INSTALL_MANDIR@/man1")
    if(NOT IS_ABSOLUTE "${mandir}")
      set(mandir "${CMAKE_INSTALL_PREFIX}/${mandir}")
    endif()
    file(INSTALL DESTINATION "${mandir}" TYPE FILE FILES ${made_pages})
  ]] install_pages @ONLY)
  install(CODE "${install_pages}")
endif()

# The packages promise programs that need nothing else; those of a sanitizer
# build or of MSVC need runtime libraries.
if(SANITIZE OR MSVC)
  message(STATUS "No packages from this build: its programs need runtime libraries")
  return()
endif()

set(CPACK_PACKAGE_NAME ${PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "the airport converters authors")
set(CPACK_PACKAGE_CONTACT
  "airport converters developers <devel@airport-converters.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "convert airport and runway data for flight-operations software")
set(CPACK_PACKAGE_DESCRIPTION
  "Two console programs that convert airport and runway data between the
text formats of flight-operations software. converter reads an Airbus
airport file and trevik one or more ANF airport files; each writes the
airports it read to the file APB in the current directory (the AIRPORT2
and the AIRPORT1 form), replacing it whole or not at all. Standard error
names, by file and line, what was left out or read as 0.")
string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" PACKAGE_SYSTEM)
set(CPACK_PACKAGE_FILE_NAME
  "${PACKAGE_NAME}-${PROJECT_VERSION}-${PACKAGE_SYSTEM}")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  find_program(DPKG_PROGRAM dpkg)
  if(DPKG_PROGRAM)
    set(CPACK_GENERATOR DEB TGZ)
  else()
    set(CPACK_GENERATOR TGZ)
  endif()
else()
  set(CPACK_GENERATOR TGZ)
endif()

# Scripts that cpack runs: options per package kind and the build date of
# every package (cpack_options.cmake), the files only the .deb holds
# (debian_files.cmake), SHA256SUMS beside the packages (sha256sums.cmake).
set(CPACK_PACKAGING_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian_files.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/sha256sums.cmake)
include(CPack)
