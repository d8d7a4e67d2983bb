# The Windows build's tests under Wine (cross builds only): the unit-test binary in
# one Wine process, and the end-to-end scenarios with the Wine runner. Both share
# the prefix made beside the program on first use.
if(WIN32 AND CMAKE_CROSSCOMPILING)
  # The helpers the scenarios start beside the program. They are 64-bit programs:
  # where 32-bit code runs under emulation, that saves a slow process start on
  # every run.
  find_program(QIV_MINGW64_CXX x86_64-w64-mingw32-g++-posix REQUIRED)
  function(qiv_wine_helper name source description)
    set(output ${CMAKE_BINARY_DIR}/${name}.exe)
    add_custom_command(OUTPUT ${output}
      COMMAND ${QIV_MINGW64_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -municode -static
              -o ${output} ${CMAKE_CURRENT_LIST_DIR}/${source} ${ARGN}
      DEPENDS ${CMAKE_CURRENT_LIST_DIR}/${source}
      COMMENT "Building the 64-bit ${description}")
    add_custom_target(${name} ALL DEPENDS ${output})
  endfunction()
  # Starts the program as an installer does and records its debug output.
  qiv_wine_helper(qiv_wine_launcher debug_launcher.cpp "Wine launcher")
  # Reads a program's version resource back through GetFileVersionInfoW.
  qiv_wine_helper(qiv_version_reader version_reader.cpp "version resource reader" -lversion)
  # A second process that tries to swap a folder while the program deletes it.
  qiv_wine_helper(qiv_folder_swapper folder_swapper.cpp "folder swapper")
  # A second process that holds a file open without sharing its deletion.
  qiv_wine_helper(qiv_file_holder file_holder.cpp "file holder")
  # Makes registry links, as a standard user can, and tells a link from a key.
  qiv_wine_helper(qiv_registry_linker registry_linker.cpp "registry linker" -ladvapi32)

  # Starts a program with a command line given byte for byte.
  qiv_wine_helper(qiv_raw_command_line raw_command_line.cpp "raw command-line starter")

  # The DLL the planting scenarios put beside the program under system libraries'
  # names: 32-bit like the program, since a DLL of the other width is passed over.
  set(qiv_marker ${CMAKE_BINARY_DIR}/qiv_marker_library.dll)
  add_custom_command(OUTPUT ${qiv_marker}
    COMMAND ${CMAKE_CXX_COMPILER} -O2 -Wall -Wextra -Werror -shared -static -s
            -o ${qiv_marker} ${CMAKE_CURRENT_LIST_DIR}/marker_library.cpp
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/marker_library.cpp
    COMMENT "Building the 32-bit marker DLL")
  add_custom_target(qiv_marker_library ALL DEPENDS ${qiv_marker})
  # The narrow runtime's split of a command line, for comparison with the program's.
  set(qiv_narrow_arguments ${CMAKE_BINARY_DIR}/qiv_narrow_arguments.exe)
  add_custom_command(OUTPUT ${qiv_narrow_arguments}
    COMMAND ${CMAKE_CXX_COMPILER} -O2 -Wall -Wextra -Werror -static -s
            -o ${qiv_narrow_arguments} ${CMAKE_CURRENT_LIST_DIR}/narrow_arguments.cpp
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/narrow_arguments.cpp
    COMMENT "Building the 32-bit narrow argument reader")
  add_custom_target(qiv_narrow_arguments ALL DEPENDS ${qiv_narrow_arguments})

  # The import table names known DLLs only (no Wine needed).
  add_test(NAME import_table_names_known_dlls_only
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/scripts/pe_imports.py $<TARGET_FILE:QivDepends>)

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
