# The program's version: the numbers of project(VERSION) in CMakeLists.txt, and as text the same
# numbers with, for a build that is not the release's tagged commit "v<version>", a suffix that
# git describe gives: "-<commits since the tag>-g<commit>", or "-g<commit>" while there is no
# such tag. Sets VELK_VERSION_STRING and VELK_VERSION_NUMBERS ("1, 0, 0, 0" for resources).
set(VELK_VERSION_STRING "${PROJECT_VERSION}")
set(VELK_VERSION_NUMBERS
    "${PROJECT_VERSION_MAJOR}, ${PROJECT_VERSION_MINOR}, ${PROJECT_VERSION_PATCH}, 0")

string(REPLACE "." "\\." velk_version_pattern "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND)
    execute_process(
        COMMAND ${GIT_EXECUTABLE} describe --tags --match "v${PROJECT_VERSION}" --always --abbrev=7
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        OUTPUT_VARIABLE velk_described OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE velk_describe_status ERROR_QUIET)
    if(velk_describe_status EQUAL 0 AND NOT velk_described STREQUAL "")
        if(velk_described MATCHES "^v${velk_version_pattern}(-.*)?$")
            string(APPEND VELK_VERSION_STRING "${CMAKE_MATCH_1}")
        else()
            string(APPEND VELK_VERSION_STRING "-g${velk_described}")
        endif()
        # A new commit changes the suffix: configure again after each one.
        execute_process(
            COMMAND ${GIT_EXECUTABLE} rev-parse --path-format=absolute --git-path logs/HEAD
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
            OUTPUT_VARIABLE velk_head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(EXISTS "${velk_head_log}")
            set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY
                         CMAKE_CONFIGURE_DEPENDS "${velk_head_log}")
        endif()
    endif()
endif()
message(STATUS "VelkInstall version ${VELK_VERSION_STRING}")
