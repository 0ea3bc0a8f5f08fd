# Read by cpack before it makes each kind of package.

# Reproducible packages: every time stamp in them is the time of the last
# commit, unless SOURCE_DATE_EPOCH says otherwise.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(
    COMMAND git log -1 --format=%ct
    WORKING_DIRECTORY "${CPACK_PACKAGING_SOURCE_DIR}"
    OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result ERROR_QUIET)
  if(git_result EQUAL 0 AND commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  else()
    message(WARNING "No git history: the packages carry the current time. "
      "Set SOURCE_DATE_EPOCH for packages that a rebuild reproduces.")
  endif()
endif()

# A .zip stores local times: made in one time zone, whatever the machine's.
set(ENV{TZ} UTC)

# The manual pages name the folders of the prefix they are installed into.
# cpack installs the .tar.gz into a folder of its own, but the README unpacks
# it under /usr/local: its pages name that prefix.
if(CPACK_GENERATOR STREQUAL "TGZ")
  set(ENV{MANUAL_PAGES_PREFIX} /usr/local)
else()
  unset(ENV{MANUAL_PAGES_PREFIX})
endif()

if(CPACK_GENERATOR STREQUAL "ZIP")
  # Unpacked by Windows into a folder named after the archive already.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
