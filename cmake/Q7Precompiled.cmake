# q7_precompile_qt(DIRECTORIES dir...): every library and executable defined in those folders
# (and below them) is compiled with the Qt Core headers and the standard headers most files use
# precompiled once per build folder, instead of parsed again in each of its files. A test file
# spends three quarters of its compile time in <QtTest>'s share of Qt Core alone.
#
# Only Qt Core goes in. Its headers do not look at which other Qt modules a target links, so one
# header serves every target; QtTest, QtGui and QtWidgets do (a test's QTEST_MAIN depends on
# them), and stay out. The build fails, rather than silently slows, if a target's flags ever
# stop matching: CMake passes -Winvalid-pch and the warnings are errors.
option(Q7_PCH "Precompile the Qt Core headers" ON)

function(q7_precompile_qt)
    cmake_parse_arguments(P "" "" "DIRECTORIES" ${ARGN})
    # The fuzz build compiles with clang and different instrumentation; it has few files.
    if(NOT Q7_PCH OR Q7_FUZZ)
        return()
    endif()
    set(source ${CMAKE_BINARY_DIR}/q7_qt_pch.cpp)
    if(NOT EXISTS ${source})
        file(WRITE ${source} "// Only carries the precompiled header that the other targets reuse.\n")
    endif()
    add_library(q7_qt_pch STATIC ${source})
    target_link_libraries(q7_qt_pch PRIVATE Qt6::Core)
    set_target_properties(q7_qt_pch PROPERTIES AUTOMOC OFF POSITION_INDEPENDENT_CODE ON)
    target_precompile_headers(q7_qt_pch PRIVATE
        <QtCore>
        <algorithm> <array> <cstdint> <functional> <memory> <optional> <span> <string> <vector>)

    set(pending ${P_DIRECTORIES})
    while(pending)
        list(POP_FRONT pending dir)
        get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
        list(APPEND pending ${subdirs})
        get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$"
               AND NOT target STREQUAL q7_qt_pch)
                target_precompile_headers(${target} REUSE_FROM q7_qt_pch)
            endif()
        endforeach()
    endwhile()
endfunction()
