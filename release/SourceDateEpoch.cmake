# ZR_SOURCE_DATE_EPOCH: the one time written into what ships (the executable's header, the
# release zip and the installer package), in seconds since 1970, so that every build of a
# commit is the same, byte for byte. The first of these that answers:
#   1. ZR_SOURCE_DATE_EPOCH given to the configure (release/make gives the release's);
#   2. SOURCE_DATE_EPOCH in the environment;
#   3. the committer date of the tree's commit, as the release chain reads it (release/chain
#      tree.py: git in a clone of its own, else the time a `git archive` wrote).
# With none the configuration stops: a time made up here could never be rebuilt.
find_program(ZR_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZR_PYTHON)
    find_program(ZR_PYTHON NAMES python3 python NO_CMAKE_FIND_ROOT_PATH)
endif()
# The chain as release/make runs it: isolated from the caller's Python settings and site, with
# compiled code neither written nor read (a cache no package installed would be an input).
set(ZR_CHAIN ${ZR_PYTHON} -I -S -B -X pycache_prefix=/dev/null/none ${CMAKE_CURRENT_LIST_DIR}/chain)
if(DEFINED ZR_SOURCE_DATE_EPOCH)
elseif(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(ZR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
    set(problem "no Python to read it with")
    if(ZR_PYTHON)
        execute_process(COMMAND ${ZR_CHAIN} time ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE answer
            ERROR_VARIABLE problem RESULT_VARIABLE result OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(result EQUAL 0 AND answer MATCHES "^([0-9]+) [0-9a-f]+$")
            set(ZR_SOURCE_DATE_EPOCH ${CMAKE_MATCH_1})
        endif()
    endif()
    if(NOT DEFINED ZR_SOURCE_DATE_EPOCH)
        message(FATAL_ERROR "No time for what this build writes: set SOURCE_DATE_EPOCH (seconds "
            "since 1970, e.g. the commit's), or build from a git clone or a git archive of the "
            "sources. The tree's commit time is not known: ${problem}")
    endif()
endif()
if(NOT ZR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR ZR_SOURCE_DATE_EPOCH LESS 315532800)
    message(FATAL_ERROR "SOURCE_DATE_EPOCH=${ZR_SOURCE_DATE_EPOCH}: seconds since 1970, from 1980 on")
endif()
