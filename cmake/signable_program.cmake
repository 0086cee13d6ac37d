# velk_signable_program(TARGET): the last step of a shipped Windows program's build pads it to a
# multiple of 8 bytes and writes its image checksum (tools/signable_program.cpp, built with the host's
# compiler), so that the program signed by scripts/release --sign, with its signature taken off,
# is this build byte for byte. Call it after the target's other steps after linking.
function(velk_signable_program target)
    if(NOT TARGET velk_signable_program_tool)
        set(tool ${CMAKE_BINARY_DIR}/signable_program)
        velk_host_program(${tool} SOURCES ${CMAKE_SOURCE_DIR}/tools/signable_program.cpp
            COMMENT "Building the signing preparation with the host's compiler")
        add_custom_target(velk_signable_program_tool DEPENDS ${tool})
        set_property(GLOBAL PROPERTY VELK_SIGNABLE_PROGRAM_TOOL ${tool})
    endif()
    get_property(tool GLOBAL PROPERTY VELK_SIGNABLE_PROGRAM_TOOL)
    add_dependencies(${target} velk_signable_program_tool)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${tool} $<TARGET_FILE:${target}>
        VERBATIM)
endfunction()
