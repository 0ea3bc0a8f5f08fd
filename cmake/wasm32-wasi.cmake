# Cross build of the browser page's engine for WebAssembly (wasm32-wasi),
# with Debian's clang and its libc++ for wasm32 (packages clang-22,
# lld-22, libc++-22-dev-wasm32, libc++abi-22-dev-wasm32,
# libclang-rt-22-dev-wasm32, wasi-libc):
#   cmake -S . -B build-wasm -DCMAKE_TOOLCHAIN_FILE=cmake/wasm32-wasi.cmake
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
set(WASM_LLVM_ROOT /usr/lib/llvm-22 CACHE PATH "The LLVM of the wasm32 build")
set(CMAKE_CXX_COMPILER "${WASM_LLVM_ROOT}/bin/clang++")
set(CMAKE_AR "${WASM_LLVM_ROOT}/bin/llvm-ar" CACHE FILEPATH "")
set(CMAKE_RANLIB "${WASM_LLVM_ROOT}/bin/llvm-ranlib" CACHE FILEPATH "")
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
# -Wno-deprecated: clang 22 calls the target wasm32-wasip1, but Debian's
# libc++ for wasm32 is found under the older name. (CMakeLists.txt adds
# what the code itself needs: no exceptions.)
set(CMAKE_CXX_FLAGS_INIT "-Wno-deprecated")
