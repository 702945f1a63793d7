# ZR_SOURCE_DATE_EPOCH: the one time written into what ships (the executable's header, the
# release zip and the installer package), in seconds since 1970: SOURCE_DATE_EPOCH when the
# environment sets it, else the time of the commit the sources are at, so that every build of a
# commit is the same, byte for byte. Sources outside git without SOURCE_DATE_EPOCH get
# 1980-01-01, the earliest time a zip can hold.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ZR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
            OUTPUT_VARIABLE ZR_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
            RESULT_VARIABLE _zr_git_result ERROR_QUIET)
        if(NOT _zr_git_result EQUAL 0)
            set(ZR_SOURCE_DATE_EPOCH "")
        endif()
    endif()
    if(NOT ZR_SOURCE_DATE_EPOCH)
        set(ZR_SOURCE_DATE_EPOCH 315532800)
        message(STATUS "No SOURCE_DATE_EPOCH and no git commit: shipped files carry 1980-01-01")
    endif()
endif()
if(NOT ZR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR ZR_SOURCE_DATE_EPOCH LESS 315532800)
    message(FATAL_ERROR "SOURCE_DATE_EPOCH=${ZR_SOURCE_DATE_EPOCH}: seconds since 1970, from 1980 on")
endif()
