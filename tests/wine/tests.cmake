# The Windows build's tests under Wine (cross builds only): the unit-test binary in
# one Wine process, and the end-to-end scenarios with the Wine runner. Both share
# the prefix made beside the program on first use.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Starts the program as an installer does and records its debug output.
  add_executable(qiv_wine_launcher ${CMAKE_CURRENT_LIST_DIR}/debug_launcher.cpp)
  target_link_options(qiv_wine_launcher PRIVATE -municode)
  set_target_properties(qiv_wine_launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

  set(qiv_wine_prefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(qiv_wine_environment
    "QIV_WINEPREFIX=${qiv_wine_prefix};PYTHONDONTWRITEBYTECODE=1")

  add_test(NAME unit_tests_under_wine
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/harness/wine.py run
            $<TARGET_FILE:qiv_unit_tests>)
  set_tests_properties(unit_tests_under_wine PROPERTIES
    RESOURCE_LOCK wine_prefix
    TIMEOUT 1200
    ENVIRONMENT "${qiv_wine_environment}")

  add_test(NAME e2e_under_wine
    COMMAND /usr/bin/python3 -m pytest -q -p no:cacheprovider ${CMAKE_SOURCE_DIR}/tests/e2e
            --exe $<TARGET_FILE:QivDepends> --runner wine
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(e2e_under_wine PROPERTIES
    RESOURCE_LOCK "loopback_ports;wine_prefix"
    TIMEOUT 1800
    ENVIRONMENT "${qiv_wine_environment}")
endif()
