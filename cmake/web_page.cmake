# The browser page: the programs' engine built for WebAssembly and the
# static files of web/, made by scripts/build-web into the build's web/
# folder and installed beside the documents (a folder web of the .zip,
# share/airport-converters/web on Linux). Without the WebAssembly toolchain
# the programs build as ever and the page is left out, as CMake says.
option(WEB_PAGE "Build the browser page (needs Debian's clang-22 and libc++ for wasm32)" ON)

set(WEB_WASM_DIR "")
# The files of the built page, for the checks of what is installed.
set(WEB_PAGE_FILES "")
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
set(WEB_PAGE_FILES engine-host.js engine-wasm.js index.html page.js style.css
  worker.js)
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
          "${PROJECT_SOURCE_DIR}/CMakeLists.txt"
          "${PROJECT_SOURCE_DIR}/cmake/wasm32-wasi.cmake"
  COMMENT "Building the browser page" VERBATIM)
add_custom_target(web_page ALL DEPENDS "${WEB_DIR}/engine-wasm.js")

if(WIN32)
  install(DIRECTORY "${WEB_DIR}/" DESTINATION web)
else()
  install(DIRECTORY "${WEB_DIR}/"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/${PACKAGE_NAME}/web")
endif()

