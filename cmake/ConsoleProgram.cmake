# zr_console_program(<target>)
#
# A console program with the wide entry point, built as the tool ships: stripped in release
# builds, linked against the single-thread C++ runtime, and marked in its image header as
# scanners and the loader expect of a program for Windows 7 and later: subsystem and OS version
# 6.1, aware of terminal servers (no compatibility shims on multi-user session hosts), with
# ASLR and DEP, which the linker sets by default, and on i686 as registering no structured
# exception handlers (NO_SEH): GCC's i686 exceptions are DWARF-based, and GNU ld makes no SafeSEH
# table, so scanners would otherwise flag the image.
function(zr_console_program target)
    if(MSVC)
        set_target_properties(${target} PROPERTIES LINK_FLAGS "/SUBSYSTEM:CONSOLE,6.01 /TSAWARE")
        return()
    endif()
    target_compile_options(${target} PRIVATE -municode)
    target_link_options(${target} PRIVATE -municode -mconsole $<$<CONFIG:Release>:-s>
        -Wl,--tsaware
        -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,1
        -Wl,--major-os-version,6 -Wl,--minor-os-version,1
        $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>:-Wl,--no-seh>)
    zr_use_single_thread_runtime(${target})
endfunction()
