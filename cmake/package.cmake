# Release package of the Windows build, made from the windows-release preset only:
#   cmake --build --preset windows-release --target package
# makes QivDepends-<version>-win32.zip with the program, a sample version.ini, the
# licences of the libraries linked into it and the checksums of those three files.
# The zip is written by packaging/make_release_zip.py, so that a rebuild of the same
# commit gives the same bytes (fixed order, times and permissions).
set(QIV_BUILD_NUMBER "1" CACHE STRING "fourth part of the build string in the sample version.ini")

# A build that talks to loopback hosts or trusts a CA file of its own is a test
# build: it must never become the package a user installs.
set(qiv_test_endpoints "")
foreach(host IN ITEMS "${QIV_SITE_HOST}" "${QIV_COLLECTOR_HOST}" "${QIV_TRACKING_HOST}"
                      ${QIV_QA_HOST_SUFFIXES})
  string(TOLOWER "${host}" host)
  if(host MATCHES "localhost|^127\\.|^\\[::1\\]")
    list(APPEND qiv_test_endpoints "${host}")
  endif()
endforeach()
if(NOT QIV_CA_BUNDLE STREQUAL "")
  list(APPEND qiv_test_endpoints "CA file ${QIV_CA_BUNDLE}")
endif()
if(qiv_test_endpoints)
  list(JOIN qiv_test_endpoints ", " qiv_test_endpoints)
  # A build folder that once packaged with CPack keeps its configuration, and CMake
  # then reserves the name "package".
  file(REMOVE ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${CMAKE_BINARY_DIR}/CPackSourceConfig.cmake)
  add_custom_target(package
    COMMAND ${CMAKE_COMMAND} -E echo
            "This build is a test build (${qiv_test_endpoints}); the release package comes from the windows-release preset."
    COMMAND ${CMAKE_COMMAND} -E false
    VERBATIM)
  return()
endif()

set(qiv_package_dir ${CMAKE_BINARY_DIR}/package)
set(qiv_package_files QivDepends.exe version.ini THIRD_PARTY_NOTICES.txt)
set(QIV_PACKAGE_ZIP ${CMAKE_BINARY_DIR}/QivDepends-${PROJECT_VERSION}-win32.zip)

configure_file(${CMAKE_SOURCE_DIR}/packaging/version.ini.in ${qiv_package_dir}/version.ini @ONLY)

find_program(QIV_PYTHON3 python3 REQUIRED)
add_custom_command(OUTPUT ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
  COMMAND ${QIV_PYTHON3} ${CMAKE_SOURCE_DIR}/packaging/third_party_notices.py
          --deps ${QIV_WINDOWS_DEPS_DIR} --output ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/third_party_notices.py
  COMMENT "Collecting the third-party licences")

# The checksums cover the very bytes the archive holds, so the program is copied
# into the package directory first and packed from there.
add_custom_command(OUTPUT ${qiv_package_dir}/SHA256SUMS ${qiv_package_dir}/QivDepends.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:QivDepends> ${qiv_package_dir}/QivDepends.exe
  COMMAND ${CMAKE_COMMAND} -DDIR=${qiv_package_dir} "-DFILES=${qiv_package_files}"
          -P ${CMAKE_SOURCE_DIR}/cmake/write_sha256sums.cmake
  DEPENDS QivDepends ${qiv_package_dir}/version.ini ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
          ${CMAKE_SOURCE_DIR}/cmake/write_sha256sums.cmake
  VERBATIM)
add_custom_target(qiv_package_files ALL DEPENDS ${qiv_package_dir}/SHA256SUMS)

# Written on every call: the zip's time is the commit's, which no file here tracks.
list(TRANSFORM qiv_package_files PREPEND ${qiv_package_dir}/)
add_custom_target(package
  COMMAND ${QIV_PYTHON3} ${CMAKE_SOURCE_DIR}/packaging/make_release_zip.py
          --source-dir ${CMAKE_SOURCE_DIR} --output ${QIV_PACKAGE_ZIP}
          ${qiv_package_files} ${qiv_package_dir}/SHA256SUMS
  VERBATIM)
add_dependencies(package qiv_package_files)
install(FILES ${qiv_package_files} ${qiv_package_dir}/SHA256SUMS DESTINATION .)
