# velk_host_program(OUTPUT SOURCES file... [OPTIONS flag...] [DEPENDS file...] COMMENT text):
# a program of ours built with the host's compiler, in a cross build too, into OUTPUT (its folder
# made), for the build to run or for the release to ship; warnings are errors here as everywhere.
# Add a target that depends on OUTPUT, or use it in a command of the same folder.
function(velk_host_program output)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "COMMENT" "SOURCES;OPTIONS;DEPENDS")
    find_program(VELK_HOST_CXX NAMES c++ g++ REQUIRED)
    get_filename_component(folder ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${VELK_HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror ${arg_OPTIONS}
                ${arg_SOURCES} -o ${output}
        DEPENDS ${arg_SOURCES} ${arg_DEPENDS}
        COMMENT "${arg_COMMENT}"
        VERBATIM)
endfunction()
