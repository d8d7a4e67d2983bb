# The Windows build's tests under Wine (cross builds only): the unit-test binary in
# one Wine process, and the end-to-end scenarios with the Wine runner. Both share
# the prefix made beside the program on first use.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # Starts the program as an installer does and records its debug output. It is a
  # 64-bit program: where 32-bit code runs under emulation, that saves a slow
  # process start on every run.
  find_program(QIV_MINGW64_CXX x86_64-w64-mingw32-g++-posix REQUIRED)
  set(qiv_launcher_source ${CMAKE_CURRENT_LIST_DIR}/debug_launcher.cpp)
  set(qiv_launcher ${CMAKE_BINARY_DIR}/qiv_wine_launcher.exe)
  add_custom_command(OUTPUT ${qiv_launcher}
    COMMAND ${QIV_MINGW64_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -municode -static
            -o ${qiv_launcher} ${qiv_launcher_source}
    DEPENDS ${qiv_launcher_source}
    COMMENT "Building the 64-bit Wine launcher")
  add_custom_target(qiv_wine_launcher ALL DEPENDS ${qiv_launcher})

  # Reads a program's version resource back through GetFileVersionInfoW.
  set(qiv_version_reader_source ${CMAKE_CURRENT_LIST_DIR}/version_reader.cpp)
  set(qiv_version_reader ${CMAKE_BINARY_DIR}/qiv_version_reader.exe)
  add_custom_command(OUTPUT ${qiv_version_reader}
    COMMAND ${QIV_MINGW64_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -municode -static
            -o ${qiv_version_reader} ${qiv_version_reader_source} -lversion
    DEPENDS ${qiv_version_reader_source}
    COMMENT "Building the 64-bit version resource reader")
  add_custom_target(qiv_version_reader ALL DEPENDS ${qiv_version_reader})

  # A second process that tries to swap a folder while the program deletes it.
  set(qiv_folder_swapper_source ${CMAKE_CURRENT_LIST_DIR}/folder_swapper.cpp)
  set(qiv_folder_swapper ${CMAKE_BINARY_DIR}/qiv_folder_swapper.exe)
  add_custom_command(OUTPUT ${qiv_folder_swapper}
    COMMAND ${QIV_MINGW64_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -municode -static
            -o ${qiv_folder_swapper} ${qiv_folder_swapper_source}
    DEPENDS ${qiv_folder_swapper_source}
    COMMENT "Building the 64-bit folder swapper")
  add_custom_target(qiv_folder_swapper ALL DEPENDS ${qiv_folder_swapper})

  # A second process that holds a file open without sharing its deletion.
  set(qiv_file_holder_source ${CMAKE_CURRENT_LIST_DIR}/file_holder.cpp)
  set(qiv_file_holder ${CMAKE_BINARY_DIR}/qiv_file_holder.exe)
  add_custom_command(OUTPUT ${qiv_file_holder}
    COMMAND ${QIV_MINGW64_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -municode -static
            -o ${qiv_file_holder} ${qiv_file_holder_source}
    DEPENDS ${qiv_file_holder_source}
    COMMENT "Building the 64-bit file holder")
  add_custom_target(qiv_file_holder ALL DEPENDS ${qiv_file_holder})

  set(qiv_wine_prefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(qiv_wine_environment
    "QIV_WINEPREFIX=${qiv_wine_prefix};PYTHONDONTWRITEBYTECODE=1")

  add_test(NAME unit_tests_under_wine
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tests/e2e/harness/wine.py run --subst X:
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
