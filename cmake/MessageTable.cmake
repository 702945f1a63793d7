# zr_add_message_library(<target> <mc source> [CUSTOMER_BIT] [OUTPUT_DIRECTORY <dir>])
#
# A resource-only DLL whose message table is compiled from a UTF-8 .mc source kept with CRLF
# line ends. CUSTOMER_BIT sets the customer bit of every message id.
function(zr_add_message_library target source)
    cmake_parse_arguments(ARG "CUSTOMER_BIT" "OUTPUT_DIRECTORY" "" ${ARGN})
    if(NOT CMAKE_MC_COMPILER)
        message(FATAL_ERROR "CMAKE_MC_COMPILER (windmc) is not set by the toolchain")
    endif()

    get_filename_component(source ${source} ABSOLUTE)
    get_filename_component(name ${source} NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-messages)
    set(flags -U -C 65001)
    if(ARG_CUSTOMER_BIT)
        list(APPEND flags -c)
    endif()

    add_custom_command(
        OUTPUT ${dir}/${name}.rc
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${CMAKE_MC_COMPILER} ${flags} -r ${dir} -h ${dir} ${source}
        DEPENDS ${source}
        COMMENT "Compiling message table ${name}.mc"
        VERBATIM)

    add_library(${target} SHARED ${dir}/${name}.rc)
    target_include_directories(${target} PRIVATE ${dir})
    # No code at all: no C runtime and no entry point.
    target_link_options(${target} PRIVATE -nostdlib -Wl,-e0)
    set_target_properties(${target} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${name}
        LINKER_LANGUAGE C)
    if(ARG_OUTPUT_DIRECTORY)
        set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIRECTORY})
    endif()
endfunction()
