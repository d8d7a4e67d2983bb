# Seed-corpus replay of every fuzz target, as ordinary tests (native builds only).
if(WIN32 OR QIV_BUILD_FUZZERS)
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/targets.cmake)
add_library(qiv_fuzz_replay_main STATIC ${QIV_FUZZ_DIR}/replay_main.cpp)
foreach(source IN LISTS QIV_FUZZ_SOURCES)
  get_filename_component(name ${source} NAME_WE)
  qiv_add_fuzz_executable(${name}_replay ${source})
  target_link_libraries(${name}_replay PRIVATE qiv_fuzz_replay_main)
  add_test(NAME fuzz_replay.${name}
           COMMAND ${name}_replay ${QIV_FUZZ_DIR}/corpus/${name})
  set_tests_properties(fuzz_replay.${name} PROPERTIES TIMEOUT 120)
endforeach()
