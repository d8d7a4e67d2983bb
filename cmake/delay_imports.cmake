# Delay-import libraries for the system libraries that are not on Windows' list of
# known DLLs. A name in the import table that is not a known DLL is looked for in
# the program's own folder first, before main runs; these are loaded on first use
# instead, from the system folder only (src/platform/windows/library_search.cpp).
# Each library is made from the toolchain's import library, so every function any
# part of the program (libcurl included) calls is in it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(QIV_MINGW_NM ${QIV_MINGW_TRIPLE}-nm REQUIRED)
find_program(QIV_MINGW_DLLTOOL ${QIV_MINGW_TRIPLE}-dlltool REQUIRED)
set(qiv_delay_dir ${CMAKE_BINARY_DIR}/delay-imports)
file(MAKE_DIRECTORY ${qiv_delay_dir})

# qiv_delay_import(<dll name without .dll>): the target qiv::delay_<name>.
function(qiv_delay_import name)
  set(import_library ${CMAKE_FIND_ROOT_PATH}/lib/lib${name}.a)
  set(def ${qiv_delay_dir}/${name}.def)
  set(library ${qiv_delay_dir}/libdelay_${name}.a)
  if(NOT EXISTS ${library} OR ${import_library} IS_NEWER_THAN ${library}
     OR ${CMAKE_CURRENT_LIST_FILE} IS_NEWER_THAN ${library})
    execute_process(COMMAND ${QIV_MINGW_NM} ${import_library}
      OUTPUT_VARIABLE symbols ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot list the functions of ${import_library}")
    endif()
    # "00000000 I __imp__CertOpenStore@20" names the function CertOpenStore@20.
    string(REGEX MATCHALL "I __imp__[^\n]+" entries "${symbols}")
    list(TRANSFORM entries REPLACE "^I __imp__" "")
    list(REMOVE_DUPLICATES entries)
    list(JOIN entries "\n" exports)
    file(WRITE ${def} "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
    # -k: the DLL exports the names without the stdcall suffix.
    # Run in the folder, so the thunks' symbols carry no path of the build machine.
    execute_process(COMMAND ${QIV_MINGW_DLLTOOL} -k --input-def ${name}.def
                            --output-delaylib libdelay_${name}.a
      WORKING_DIRECTORY ${qiv_delay_dir} RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot make the delay-import library of ${name}.dll")
    endif()
  endif()
  add_library(qiv::delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(qiv::delay_${name} PROPERTIES IMPORTED_LOCATION ${library})
endfunction()

foreach(name IN ITEMS bcrypt crypt32 userenv winhttp)
  qiv_delay_import(${name})
endforeach()

# qiv_keep_delay_thunks(<target> <input glob>...): before <target> is linked, the
# thunks of the delay-imported functions its inputs call are kept
# (cmake/keep_delay_thunks.py says why).
function(qiv_keep_delay_thunks target)
  set(response ${qiv_delay_dir}/${target}-keep.rsp)
  if(NOT EXISTS ${response})
    file(WRITE ${response} "\n")
  endif()
  add_custom_command(TARGET ${target} PRE_LINK
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/keep_delay_thunks.py
            ${QIV_MINGW_NM} ${qiv_delay_dir} ${response} ${ARGN}
    VERBATIM)
  target_link_options(${target} PRIVATE @${response})
endfunction()
