# zr_use_single_thread_runtime(<target>)
#
# Links a program that runs on one thread against the C++ runtime of MinGW-w64's win32 thread
# model rather than the posix one: the same GCC release and ABI, without the POSIX threads
# library (winpthread) that the posix runtime pulls in for its locks. The objects themselves,
# compiled by the posix compiler, call no thread functions (the runtime's locks are its own),
# so the runtime is chosen at link time; the tests keep the posix runtime, which their
# framework's std::mutex needs.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-libgcc-file-name
    OUTPUT_VARIABLE _zr_libgcc OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_zr_runtime_dir "${_zr_libgcc}" DIRECTORY)
string(REGEX REPLACE "-posix$" "-win32" _zr_runtime_dir "${_zr_runtime_dir}")
set(ZR_SINGLE_THREAD_RUNTIME_DIR ${_zr_runtime_dir} CACHE INTERNAL "")
if(NOT EXISTS "${ZR_SINGLE_THREAD_RUNTIME_DIR}/libstdc++.a")
    message(FATAL_ERROR "The win32 thread model runtime is missing (${ZR_SINGLE_THREAD_RUNTIME_DIR}): "
        "install g++-mingw-w64-i686-win32 and g++-mingw-w64-x86-64-win32 (scripts/setup does)")
endif()

function(zr_use_single_thread_runtime target)
    # Searched before the compiler's own runtime folder.
    target_link_options(${target} PRIVATE -L${ZR_SINGLE_THREAD_RUNTIME_DIR})
endfunction()
