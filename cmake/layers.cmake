# Fails when a source file includes a header of a layer above its own:
#   cmake -DROOT=<source folder> -P cmake/layers.cmake
# Each folder may include the folders listed after it and itself, nothing else of ours.
cmake_minimum_required(VERSION 3.25)
set(layers
    "program:app,dialogs,package,toolkit,platform"
    "app:dialogs,package,toolkit,platform"
    "velkcheck:package,platform"
    "dialogs:package,toolkit,platform"
    "package:platform"
    "toolkit:platform"
    "platform:")
set(ours app dialogs package toolkit platform program velkcheck tests bench fuzz tools)
set(faults "")
foreach(entry ${layers})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 layer)
    list(LENGTH parts count)
    set(allowed ${layer})
    if(count GREATER 1)
        list(GET parts 1 below)
        string(REPLACE "," ";" below "${below}")
        list(APPEND allowed ${below})
    endif()
    file(GLOB_RECURSE files ${ROOT}/${layer}/*.h ${ROOT}/${layer}/*.cpp)
    foreach(file ${files})
        # A layer's own tests may use the test support of the project.
        if(file MATCHES "/tests/")
            continue()
        endif()
        file(STRINGS ${file} includes REGEX "^#include \"[^\"]+\"")
        foreach(line ${includes})
            string(REGEX REPLACE "^#include \"([^/\"]+)/.*" "\\1" top "${line}")
            if(top IN_LIST ours AND NOT top IN_LIST allowed)
                file(RELATIVE_PATH name ${ROOT} ${file})
                string(APPEND faults "  ${name}: ${line}\n")
            endif()
        endforeach()
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "Includes that point up a layer:\n${faults}")
endif()
