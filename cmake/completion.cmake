# Bash completion for both programs: one file, installed under each
# program's name in the folder where bash-completion looks for a command's
# completion the first time it completes that command. Windows has no bash
# to use it.

include(GNUInstallDirs)

if(NOT WIN32)
  foreach(program converter trevik)
    install(FILES ${PROJECT_SOURCE_DIR}/completion/airport-converters.bash
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
            RENAME ${program})
  endforeach()
endif()
