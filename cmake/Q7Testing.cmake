# q7_add_test(TestName SOURCES a.cpp [b.cpp] LIBS lib... [TIMEOUT s] [ENVIRONMENT K=V...])
# One Qt Test executable per class under test, headless and with a fixed locale so that
# widget tests and number formats behave the same on every machine.
function(q7_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;ENVIRONMENT" ${ARGN})
    # A library that is not a target would only surface as a link error (or, worse, as a
    # system library of that name): a renamed target fails here instead.
    foreach(lib IN LISTS T_LIBS)
        if(NOT TARGET ${lib})
            message(FATAL_ERROR "${name} links ${lib}, which is not a target")
        endif()
    endforeach()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test q7_testsupport ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        Q7_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
        Q7_BINARY_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;${T_ENVIRONMENT}")
endfunction()

# q7_add_fuzzer(name SOURCES ... LIBS ...): a libFuzzer target, only in the fuzz build.
function(q7_add_fuzzer name)
    cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endfunction()
