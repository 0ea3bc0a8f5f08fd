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

set(DOCUMENTS README.md docs/formats.md LICENSE)
if(WIN32)
  # One folder, as Windows programs are unpacked: the programs beside their
  # documents, and no manual pages.
  install(TARGETS converter trevik RUNTIME DESTINATION .)
  install(FILES ${DOCUMENTS} DESTINATION .)
else()
  install(TARGETS converter trevik RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES man/converter.1 man/trevik.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${DOCUMENTS} DESTINATION ${CMAKE_INSTALL_DOCDIR})
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
