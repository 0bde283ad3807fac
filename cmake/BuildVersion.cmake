# cmake -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=... -P BuildVersion.cmake
# Writes the project version and `git describe` of the source tree (empty outside a checkout).
set(describe "")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} describe --always --dirty
        WORKING_DIRECTORY ${SOURCE_DIR}
        OUTPUT_VARIABLE describe OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
    if(failed)
        set(describe "")
    endif()
endif()
set(text "#pragma once\n#define Q7_PROJECT_VERSION \"${VERSION}\"\n#define Q7_GIT_DESCRIBE \"${describe}\"\n")
if(EXISTS ${OUTPUT})
    file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
    file(WRITE ${OUTPUT} "${text}")
endif()
