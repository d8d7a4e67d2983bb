# The release package's zip writer and check: plain Python, run by the native build.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME release_package
    COMMAND /usr/bin/python3 -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_LIST_DIR}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(release_package PROPERTIES
    TIMEOUT 120
    ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
endif()
