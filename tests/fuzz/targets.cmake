# Each tests/fuzz/*_fuzzer.cpp is one fuzz target with its seed corpus in
# corpus/<name>/. The fuzz preset links them with libFuzzer; the ordinary test
# builds link them with replay_main.cpp and replay the corpus as a CTest test, so
# every test run re-checks the inputs that once mattered (under ASan in the asan
# preset, and under Valgrind in scripts/ci-hardening.sh).
file(GLOB QIV_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_fuzzer.cpp)
set(QIV_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

function(qiv_add_fuzz_executable name source)
  add_executable(${name} ${source} ${ARGN})
  target_include_directories(${name} PRIVATE ${QIV_FUZZ_DIR}/..)
  target_link_libraries(${name} PRIVATE qiv_core)
endfunction()
