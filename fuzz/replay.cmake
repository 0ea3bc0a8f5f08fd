# The fuzz corpora replayed by the programs' engine natively and as
# WebAssembly: corpus_replay (fuzz/replay.cc) converts every corpus entry as
# its fuzz target decodes it and prints what it gave as text. The
# WebAssembly build makes corpus_replay.wasm, a WASI command; the native
# build makes corpus_replay and the test that runs both, the WebAssembly one
# under Node, over both corpora and compares their text.
#
# Included from the top CMakeLists.txt (native) and browser/CMakeLists.txt
# (WebAssembly), so paths are from the project root.
set(REPLAY_SOURCE ${PROJECT_SOURCE_DIR}/fuzz/replay.cc)

if(WASM)
  add_executable(corpus_replay ${REPLAY_SOURCE})
  target_link_libraries(corpus_replay PRIVATE converter_lib trevik_lib)
  set_target_properties(corpus_replay PROPERTIES SUFFIX .wasm)
  target_link_options(corpus_replay PRIVATE
    # The stack and the memory of the page's engine.
    -Wl,-z,stack-size=1048576
    -Wl,--max-memory=4294967296)
  return()
endif()

# A cross build's programs cannot run beside Node here.
if(NOT BUILD_TESTING OR CMAKE_CROSSCOMPILING)
  return()
endif()

add_executable(corpus_replay ${REPLAY_SOURCE})
target_link_libraries(corpus_replay PRIVATE converter_lib trevik_lib)

# WEB_WASM_DIR is the folder of the WebAssembly build's programs (its bin/),
# set when the browser page is built (or given with -D); without it, or
# without Node, the test skips.
find_program(NODE_PROGRAM node)
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  if(WEB_WASM_DIR)
    set(REPLAY_WASM ${WEB_WASM_DIR}/corpus_replay.wasm)
  else()
    set(REPLAY_WASM "")
  endif()
  if(NODE_PROGRAM)
    set(REPLAY_NODE ${NODE_PROGRAM})
  else()
    set(REPLAY_NODE "")
  endif()
  add_test(NAME CorpusReplay.wasm_equals_native
    COMMAND ${Python3_EXECUTABLE}
            ${PROJECT_SOURCE_DIR}/tests/browser/corpus_replay_test.py
            --native $<TARGET_FILE:corpus_replay>
            --wasm=${REPLAY_WASM}
            --node=${REPLAY_NODE}
            --corpora ${PROJECT_SOURCE_DIR}/fuzz/corpus)
  set_tests_properties(CorpusReplay.wasm_equals_native PROPERTIES
    SKIP_RETURN_CODE 77 TIMEOUT 600)
else()
  message(WARNING
    "python3 not found: CorpusReplay.wasm_equals_native is not registered")
endif()
