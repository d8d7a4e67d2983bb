# End-to-end suite: the native program against loopback servers on fixed ports.
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME e2e
    COMMAND /usr/bin/python3 -m pytest -q -p no:cacheprovider ${CMAKE_CURRENT_LIST_DIR}
            --exe $<TARGET_FILE:QivDepends> --runner native
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(e2e PROPERTIES
    RESOURCE_LOCK loopback_ports
    TIMEOUT 600
    ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
endif()
