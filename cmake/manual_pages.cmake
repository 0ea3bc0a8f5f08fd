# The manual pages as a user reads them: each page names the folder of the
# documents and samples of the installation it comes with. The pages in
# man/ name those of the default prefix, /usr/local; the three settings at
# their top are set again when a page is installed, or turned into the plain
# text of the Windows .zip.
#
# Included by the install step, which calls configure_manual_page(), or run
# with cmake -P to make the plain text of one page for the Windows programs:
#   cmake -D SOURCE=man/converter.1 -D OUTPUT=converter.txt -D GROFF=groff
#         -P cmake/manual_pages.cmake

# Writes the page SOURCE to DESTINATION with DOCUMENTS as the documents
# folder, SEPARATOR between a folder and a file name, and WINDOWS (0 or 1)
# choosing the Windows lines of the page. Fails when SOURCE lacks a setting.
function(configure_manual_page source destination documents separator windows)
  file(READ "${source}" page)
  # A path as roff prints it: "\" is roff's escape, "-" would be a hyphen.
  string(REPLACE "\\" "\\e" documents "${documents}")
  string(REPLACE "-" "\\-" documents "${documents}")
  string(REPLACE "\\" "\\e" separator "${separator}")
  foreach(setting "ds doc ${documents}" "ds sep ${separator}"
                  "nr windows ${windows}")
    string(REGEX MATCH "^[a-z]+ [a-z]+ " name "${setting}")
    string(REGEX MATCH "\n\\.${name}[^\n]*\n" line "${page}")
    if(line STREQUAL "")
      message(FATAL_ERROR "${source} holds no line \".${name}...\"")
    endif()
    string(REPLACE "${line}" "\n.${setting}\n" page "${page}")
  endforeach()
  file(WRITE "${destination}" "${page}")
endfunction()

if(DEFINED SOURCE AND DEFINED OUTPUT)
  # Plain text for the Windows .zip: the page as `man` would show it on a
  # terminal of 80 columns, without bold, underline or colour, so that every
  # run gives the same bytes. FOLDER stands for where the .zip was unpacked.
  configure_manual_page("${SOURCE}" "${OUTPUT}.1" FOLDER "\\" 1)
  execute_process(
    COMMAND "${GROFF}" -man -ww -Tascii -P-cbou "${OUTPUT}.1"
    OUTPUT_FILE "${OUTPUT}" ERROR_VARIABLE warnings
    RESULT_VARIABLE result)
  file(REMOVE "${OUTPUT}.1")
  if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
    file(REMOVE "${OUTPUT}")
    message(FATAL_ERROR "groff on ${SOURCE} (exit ${result}):\n${warnings}")
  endif()
endif()
