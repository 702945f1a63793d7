# ZR_SOURCE_DATE_EPOCH: the one time written into what ships (the executable's header, the
# release zip and the installer package), in seconds since 1970, so that every build of a
# commit is the same, byte for byte. ZR_SOURCE_DATE_EPOCH_FROM says what it is (the same for a
# clone and an archive of one commit), ZR_SOURCE_DATE_EPOCH_READ where it was read.
# ZR_SOURCE_COMMIT names the commit of the tree whenever one is known, whatever gave the time:
# the commit this tree is checked out at, when it is a git work tree of its own (not a folder
# of another repository), also where another user owns it (git's safe.directory) and whatever
# log.showSignature says; else the commit a `git archive` of the tree was made from, which git
# writes into SourceDate.txt beside this file (export-subst in .gitattributes).
# The time is the first of these that answers:
#   1. SOURCE_DATE_EPOCH in the environment;
#   2. the committer date of that commit.
# With neither the configuration stops: a time made up here could never be rebuilt.
set(ZR_SOURCE_COMMIT "")
set(_zr_commit_time "")
# Takes "<committer time> <commit>", read from `where`.
macro(zr_take_commit text where)
    if("${text}" MATCHES "^([0-9]+) ([0-9a-f]+)$")
        set(_zr_commit_time ${CMAKE_MATCH_1})
        set(ZR_SOURCE_COMMIT ${CMAKE_MATCH_2})
        set(_zr_commit_read "${where}")
    endif()
endmacro()
find_package(Git QUIET)
if(GIT_FOUND)
    set(_zr_git ${GIT_EXECUTABLE} -c safe.directory=* -c log.showSignature=false
        -C ${PROJECT_SOURCE_DIR})
    execute_process(COMMAND ${_zr_git} rev-parse --show-toplevel
        OUTPUT_VARIABLE _zr_top OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
        RESULT_VARIABLE _zr_result)
    file(REAL_PATH "${PROJECT_SOURCE_DIR}" _zr_source)
    if(_zr_result EQUAL 0 AND EXISTS "${_zr_top}")
        file(REAL_PATH "${_zr_top}" _zr_top)
    endif()
    if(_zr_result EQUAL 0 AND _zr_top STREQUAL _zr_source)
        execute_process(COMMAND ${_zr_git} log -1 --no-show-signature "--format=%ct %H"
            OUTPUT_VARIABLE _zr_commit OUTPUT_STRIP_TRAILING_WHITESPACE
            ERROR_VARIABLE _zr_error RESULT_VARIABLE _zr_result)
        if(_zr_result EQUAL 0)
            zr_take_commit("${_zr_commit}" "git")
        endif()
        if(NOT ZR_SOURCE_COMMIT)
            message(FATAL_ERROR "git gives no commit for ${PROJECT_SOURCE_DIR}: "
                "${_zr_commit}${_zr_error}")
        endif()
    endif()
endif()
if(NOT ZR_SOURCE_COMMIT)
    file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/SourceDate.txt _zr_archived REGEX "^[0-9]+ [0-9a-f]+$")
    zr_take_commit("${_zr_archived}" "the git archive's SourceDate.txt")
endif()
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ZR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
    set(ZR_SOURCE_DATE_EPOCH_FROM "SOURCE_DATE_EPOCH")
    set(ZR_SOURCE_DATE_EPOCH_READ "the environment")
elseif(ZR_SOURCE_COMMIT)
    set(ZR_SOURCE_DATE_EPOCH ${_zr_commit_time})
    set(ZR_SOURCE_DATE_EPOCH_FROM "committer date of ${ZR_SOURCE_COMMIT}")
    set(ZR_SOURCE_DATE_EPOCH_READ "${_zr_commit_read}")
else()
    message(FATAL_ERROR "No time for what this build writes: set SOURCE_DATE_EPOCH (seconds "
        "since 1970, e.g. the commit's), or build from a git clone or a git archive of the "
        "sources. ${PROJECT_SOURCE_DIR} is neither.")
endif()
if(NOT ZR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR ZR_SOURCE_DATE_EPOCH LESS 315532800)
    message(FATAL_ERROR "SOURCE_DATE_EPOCH=${ZR_SOURCE_DATE_EPOCH}: seconds since 1970, from 1980 on")
endif()
# Read back by scripts/release, which reports them.
set(ZR_SOURCE_DATE_EPOCH "${ZR_SOURCE_DATE_EPOCH}" CACHE INTERNAL "")
set(ZR_SOURCE_DATE_EPOCH_FROM "${ZR_SOURCE_DATE_EPOCH_FROM}" CACHE INTERNAL "")
set(ZR_SOURCE_DATE_EPOCH_READ "${ZR_SOURCE_DATE_EPOCH_READ}" CACHE INTERNAL "")
set(ZR_SOURCE_COMMIT "${ZR_SOURCE_COMMIT}" CACHE INTERNAL "")
