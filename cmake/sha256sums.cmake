# Run by cpack after it makes each package: SHA256SUMS in the packages folder
# gives the SHA-256 of every package there, as `sha256sum -c SHA256SUMS`
# reads it. cpack moves the new package there right after this script.
set(sums_file "${CPACK_OUTPUT_FILE_PREFIX}/SHA256SUMS")

# Packages made before (another kind, an earlier run) keep their line while
# they are still there.
set(names "")
if(EXISTS "${sums_file}")
  file(STRINGS "${sums_file}" old_lines)
  foreach(line IN LISTS old_lines)
    if(line MATCHES "^([0-9a-f]+)  (.+)$" AND
       EXISTS "${CPACK_OUTPUT_FILE_PREFIX}/${CMAKE_MATCH_2}")
      list(APPEND names "${CMAKE_MATCH_2}")
      set("sum_${CMAKE_MATCH_2}" "${CMAKE_MATCH_1}")
    endif()
  endforeach()
endif()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  get_filename_component(name "${package}" NAME)
  file(SHA256 "${package}" "sum_${name}")
  list(APPEND names "${name}")
endforeach()

list(REMOVE_DUPLICATES names)
list(SORT names)
set(text "")
foreach(name IN LISTS names)
  string(APPEND text "${sum_${name}}  ${name}\n")
endforeach()
file(WRITE "${sums_file}" "${text}")
