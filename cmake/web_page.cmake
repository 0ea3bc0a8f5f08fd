# The browser page: the programs' engine built for WebAssembly and the
# static files of web/, made by scripts/build-web into the build's web/
# folder and installed beside the documents (a folder web of the .zip,
# share/airport-converters/web on Linux). Without the WebAssembly toolchain
# the programs build as ever and the page is left out, as CMake says.
option(WEB_PAGE "Build the browser page (needs Debian's clang-22 and libc++ for wasm32)" ON)

set(WEB_WASM_DIR "")
if(NOT WEB_PAGE)
  return()
endif()
set(web_needs
  /usr/lib/llvm-22/bin/clang++ /usr/lib/llvm-22/bin/wasm-ld
  /usr/lib/llvm-22/bin/llvm-ar /usr/lib/llvm-22/lib/wasm32-wasi/libc++.a
  /usr/lib/llvm-22/lib/wasm32-wasi/libc++abi.a /usr/lib/wasm32-wasi/libc.a
  /usr/lib/llvm-22/lib/clang/22/lib/wasi/libclang_rt.builtins-wasm32.a)
foreach(need IN LISTS web_needs)
  if(NOT EXISTS "${need}")
    message(WARNING "The browser page is left out: ${need} is missing "
      "(scripts/build-web installs the WebAssembly toolchain: clang-22, "
      "lld-22, llvm-22, libc++-22-dev-wasm32, libc++abi-22-dev-wasm32, "
      "libclang-rt-22-dev-wasm32, wasi-libc)")
    return()
  endif()
endforeach()

set(WEB_DIR "${PROJECT_BINARY_DIR}/web")
set(WEB_WASM_DIR "${PROJECT_BINARY_DIR}/wasm/bin")
file(GLOB_RECURSE web_sources CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/core/*.cc ${PROJECT_SOURCE_DIR}/core/*.h
  ${PROJECT_SOURCE_DIR}/apb/*.cc ${PROJECT_SOURCE_DIR}/apb/*.h
  ${PROJECT_SOURCE_DIR}/engine/*.cc ${PROJECT_SOURCE_DIR}/engine/*.h
  ${PROJECT_SOURCE_DIR}/driver/*.cc ${PROJECT_SOURCE_DIR}/driver/*.h
  ${PROJECT_SOURCE_DIR}/converter/*.cc ${PROJECT_SOURCE_DIR}/converter/*.h
  ${PROJECT_SOURCE_DIR}/trevik/*.cc ${PROJECT_SOURCE_DIR}/trevik/*.h
  ${PROJECT_SOURCE_DIR}/browser/* ${PROJECT_SOURCE_DIR}/fuzz/replay.*
  ${PROJECT_SOURCE_DIR}/fuzz/input.h
  ${PROJECT_SOURCE_DIR}/web/*.html ${PROJECT_SOURCE_DIR}/web/*.css
  ${PROJECT_SOURCE_DIR}/web/*.js)
add_custom_command(
  OUTPUT "${WEB_DIR}/engine-wasm.js"
  # A build of its own, whatever make runs this one.
  COMMAND "${CMAKE_COMMAND}" -E env --unset=MAKEFLAGS --unset=MAKELEVEL
          "BUILD_WEB_DIR=${PROJECT_BINARY_DIR}/wasm"
          "${PROJECT_SOURCE_DIR}/scripts/build-web" --no-install "${WEB_DIR}"
  DEPENDS ${web_sources} "${PROJECT_SOURCE_DIR}/scripts/build-web"
          "${PROJECT_SOURCE_DIR}/cmake/wasm32-wasi.cmake"
  COMMENT "Building the browser page" VERBATIM)
add_custom_target(web_page ALL DEPENDS "${WEB_DIR}/engine-wasm.js")

if(WIN32)
  install(DIRECTORY "${WEB_DIR}/" DESTINATION web)
else()
  install(DIRECTORY "${WEB_DIR}/"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/${PACKAGE_NAME}/web")
endif()

if(BUILD_TESTING AND NOT CMAKE_CROSSCOMPILING)
  find_program(NODE_PROGRAM node)
  find_program(PYTHON_PROGRAM python3)
  if(NODE_PROGRAM AND PYTHON_PROGRAM)
    # The engine under Node gives what the programs give.
    add_test(NAME BrowserEngine.cases
      COMMAND "${PYTHON_PROGRAM}"
              "${PROJECT_SOURCE_DIR}/tests/browser/engine_cases_test.py"
              $<TARGET_FILE:converter> $<TARGET_FILE:trevik>
              "${PROJECT_SOURCE_DIR}/tests/cases" "${WEB_WASM_DIR}/engine.wasm"
              "${NODE_PROGRAM}")
    set_tests_properties(BrowserEngine.cases PROPERTIES SKIP_RETURN_CODE 77
      TIMEOUT 600)
    # The page in Chromium, by role and accessible name, against the
    # programs; its screenshot after converting the samples is kept in the
    # build folder (page.png).
    add_test(NAME Page.browser
      COMMAND "${CMAKE_COMMAND}" -E env "WEB_DIR=${WEB_DIR}"
              "CONVERTER=$<TARGET_FILE:converter>" "TREVIK=$<TARGET_FILE:trevik>"
              "GENERATE=$<TARGET_FILE:generate>"
              "CASES=${PROJECT_SOURCE_DIR}/tests/cases"
              "SCREENSHOT=${PROJECT_BINARY_DIR}/page.png"
              "${PROJECT_SOURCE_DIR}/tests/web/run")
    set_tests_properties(Page.browser PROPERTIES SKIP_RETURN_CODE 77
      TIMEOUT 1200 RUN_SERIAL TRUE)
  else()
    message(WARNING "node or python3 not found: the browser engine's tests are left out")
  endif()
endif()
