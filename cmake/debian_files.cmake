# Run by cpack once a package's files are staged: adds what Debian asks of
# every .deb (a copyright file in its machine-readable form, the changelog,
# manual pages compressed) and the lintian override. Other packages keep
# the tree that `cmake --install` makes.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")
set(file_mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(folder_mode OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)

# Compressed as Debian asks: best ratio, no name and no time stamp inside.
function(compress path)
  execute_process(COMMAND gzip -9nf "${path}" COMMAND_ERROR_IS_FATAL ANY)
endfunction()

function(write_file path text)
  file(WRITE "${path}" "${text}")
  file(CHMOD "${path}" PERMISSIONS ${file_mode})
endfunction()

file(GLOB pages "${root}/share/man/man1/*.1")
foreach(page IN LISTS pages)
  compress("${page}")
endforeach()

# copyright: the notice and the licence of LICENSE, in the form tools read.
file(READ "${CPACK_PACKAGING_SOURCE_DIR}/LICENSE" licence)
if(NOT licence MATCHES "(^|\n)Copyright( \\([cC]\\))? ([^\n]+)\n")
  message(FATAL_ERROR "LICENSE holds no line that begins with \"Copyright\"")
endif()
set(holders "${CMAKE_MATCH_3}")
string(FIND "${licence}" "${CMAKE_MATCH_0}" start)
string(LENGTH "${CMAKE_MATCH_0}" length)
math(EXPR start "${start} + ${length}")
string(SUBSTRING "${licence}" ${start} -1 terms)
string(STRIP "${terms}" terms)
# Continuation lines start with a blank; an empty line is a lone ".".
while(terms MATCHES "\n\n")
  string(REPLACE "\n\n" "\n.\n" terms "${terms}")
endwhile()
string(REPLACE "\n" "\n " terms " ${terms}")
write_file("${doc}/copyright" "\
Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: ${CPACK_PACKAGE_NAME}
Upstream-Contact: ${CPACK_PACKAGE_CONTACT}

Files: *
Copyright: ${holders}
License: Expat

License: Expat
${terms}
")

# changelog.gz: one entry for the release, dated like every file in the
# package (SOURCE_DATE_EPOCH, which string(TIMESTAMP) follows).
string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
write_file("${doc}/changelog" "\
${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}.

 -- ${CPACK_PACKAGE_CONTACT}  ${date}
")
compress("${doc}/changelog")

set(overrides "${root}/share/lintian/overrides")
file(MAKE_DIRECTORY "${overrides}")
file(CHMOD "${root}/share/lintian" "${overrides}" PERMISSIONS ${folder_mode})
write_file("${overrides}/${CPACK_PACKAGE_NAME}" "\
# Linked statically on purpose: the programs are copied to servers whatever
# their C library, and a 10 MB run saves the millisecond and a half that
# loading and relocating shared libraries costs at every start.
statically-linked-binary
")
