# Release package of the Windows build (CPack, ZIP):
#   cmake --build --preset windows --target package
# makes QivDepends-<version>-win32.zip with the program, a sample version.ini, the
# licences of the libraries linked into it and the checksums of those three files.
set(QIV_BUILD_NUMBER "1" CACHE STRING "fourth part of the build string in the sample version.ini")
set(qiv_package_dir ${CMAKE_BINARY_DIR}/package)
set(qiv_package_files QivDepends.exe version.ini THIRD_PARTY_NOTICES.txt)

configure_file(${CMAKE_SOURCE_DIR}/packaging/version.ini.in ${qiv_package_dir}/version.ini @ONLY)

find_program(QIV_PYTHON3 python3 REQUIRED)
add_custom_command(OUTPUT ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
  COMMAND ${QIV_PYTHON3} ${CMAKE_SOURCE_DIR}/packaging/third_party_notices.py
          --deps ${QIV_WINDOWS_DEPS_DIR} --output ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/third_party_notices.py
  COMMENT "Collecting the third-party licences")

# The checksums cover the very bytes the archive holds, so the program is copied
# into the package directory first and installed from there.
add_custom_command(OUTPUT ${qiv_package_dir}/SHA256SUMS ${qiv_package_dir}/QivDepends.exe
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:QivDepends> ${qiv_package_dir}/QivDepends.exe
  COMMAND ${CMAKE_COMMAND} -DDIR=${qiv_package_dir} "-DFILES=${qiv_package_files}"
          -P ${CMAKE_SOURCE_DIR}/cmake/write_sha256sums.cmake
  DEPENDS QivDepends ${qiv_package_dir}/version.ini ${qiv_package_dir}/THIRD_PARTY_NOTICES.txt
          ${CMAKE_SOURCE_DIR}/cmake/write_sha256sums.cmake
  VERBATIM)
add_custom_target(qiv_package_files ALL DEPENDS ${qiv_package_dir}/SHA256SUMS)

list(TRANSFORM qiv_package_files PREPEND ${qiv_package_dir}/)
install(FILES ${qiv_package_files} ${qiv_package_dir}/SHA256SUMS DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QivDepends)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME QivDepends-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
include(CPack)
