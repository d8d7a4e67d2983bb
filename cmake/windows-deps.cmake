# Dependencies of the Windows build: static libcurl (Schannel, HTTP/HTTPS only),
# TinyXML and GoogleTest, built with the cross toolchain from Debian's source
# packages by scripts/build-windows-deps.sh and kept outside the build directory,
# so that a new build directory reuses them.
set(QIV_WINDOWS_DEPS_DIR "${CMAKE_SOURCE_DIR}/build/windows-deps"
    CACHE PATH "where the Windows dependencies are built and kept")

# GoogleTest only where the tests are built (not for the release package).
set(qiv_deps_libraries curl tinyxml)
if(QIV_BUILD_TESTS)
  list(APPEND qiv_deps_libraries googletest)
endif()
execute_process(
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/build-windows-deps.sh ${QIV_WINDOWS_DEPS_DIR}
          ${qiv_deps_libraries}
  RESULT_VARIABLE qiv_deps_result)
if(NOT qiv_deps_result EQUAL 0)
  message(FATAL_ERROR "building the Windows dependencies failed (${qiv_deps_result})")
endif()

add_library(qiv::curl STATIC IMPORTED)
set_target_properties(qiv::curl PROPERTIES
  IMPORTED_LOCATION ${QIV_WINDOWS_DEPS_DIR}/curl/lib/libcurl.a
  INTERFACE_INCLUDE_DIRECTORIES ${QIV_WINDOWS_DEPS_DIR}/curl/include
  INTERFACE_COMPILE_DEFINITIONS CURL_STATICLIB
  INTERFACE_LINK_LIBRARIES "ws2_32;qiv::delay_crypt32;qiv::delay_bcrypt;secur32;advapi32;winmm")

add_library(qiv::tinyxml STATIC IMPORTED)
set_target_properties(qiv::tinyxml PROPERTIES
  IMPORTED_LOCATION ${QIV_WINDOWS_DEPS_DIR}/tinyxml/lib/libtinyxml.a
  INTERFACE_INCLUDE_DIRECTORIES ${QIV_WINDOWS_DEPS_DIR}/tinyxml/include
  INTERFACE_COMPILE_DEFINITIONS TIXML_USE_STL)

# find_package(GTest) takes GoogleTest's own package configuration from here.
set(GTest_DIR ${QIV_WINDOWS_DEPS_DIR}/googletest/lib/cmake/GTest CACHE PATH "" FORCE)
