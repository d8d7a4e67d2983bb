# The XML library reads past the end of its text when a document ends inside a
# multi-byte sequence. That happens inside the library, which the sanitizers do not
# instrument, so the regression documents also run under valgrind when it is there.
find_program(QIV_VALGRIND valgrind)
if(QIV_VALGRIND AND NOT CMAKE_CROSSCOMPILING AND NOT QIV_SANITIZE)
  add_test(NAME installconfig_overread_valgrind
    COMMAND ${QIV_VALGRIND} -q --error-exitcode=99 $<TARGET_FILE:qiv_unit_tests>
            --gtest_filter=InstallConfigOverread*)
endif()
