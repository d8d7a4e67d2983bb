# The HTTP client against real loopback servers (the harness's recording servers in
# a child process). Native only; one CTest test so the servers start once.
if(NOT CMAKE_CROSSCOMPILING AND NOT WIN32)
  file(GLOB qiv_net_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
  add_executable(qiv_net_tests ${qiv_net_test_sources})
  target_include_directories(qiv_net_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(qiv_net_tests PRIVATE qiv_core GTest::gtest)
  target_compile_definitions(qiv_net_tests PRIVATE
    QIV_HARNESS_DIR="${CMAKE_CURRENT_SOURCE_DIR}/e2e/harness")
  add_test(NAME qiv_net_tests COMMAND qiv_net_tests)
  set_tests_properties(qiv_net_tests PROPERTIES
    RESOURCE_LOCK loopback_ports
    TIMEOUT 120
    ENVIRONMENT "QIV_ACP=CP1252;PYTHONDONTWRITEBYTECODE=1")
endif()
