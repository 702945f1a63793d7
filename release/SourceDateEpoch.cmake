# ZR_SOURCE_DATE_EPOCH: the one time written into what ships (the executable's header, the
# release zip and the installer package), in seconds since 1970, so that every build of a
# commit is the same, byte for byte. ZR_SOURCE_DATE_EPOCH_FROM says what it is (the same for a
# clone and an archive of one commit), ZR_SOURCE_DATE_EPOCH_READ where it was read.
# ZR_SOURCE_COMMIT names the commit of the tree whenever one is known, whatever gave the time,
# and ZR_SOURCE_CHANGES what it does not hold (SourceTree.cmake says how both are found).
# The time is the first of these that answers:
#   1. SOURCE_DATE_EPOCH in the environment;
#   2. the committer date of that commit (also when 1. gives that same time).
# With neither the configuration stops: a time made up here could never be rebuilt.
# A release asks about the tree once and hands its answer in (ZR_SOURCE_TREE_ANSWER).
include(${CMAKE_CURRENT_LIST_DIR}/SourceTree.cmake)
if(ZR_SOURCE_TREE_ANSWER)
    zr_read_source_tree(${ZR_SOURCE_TREE_ANSWER} _zr_tree)
else()
    zr_source_tree(${PROJECT_SOURCE_DIR} _zr_tree)
endif()
set(ZR_SOURCE_COMMIT "${_zr_tree_COMMIT}")
set(ZR_SOURCE_CHANGES "${_zr_tree_CHANGES}")
if(_zr_tree_PROBLEM AND EXISTS "${PROJECT_SOURCE_DIR}/.git")
    message(WARNING "${_zr_tree_PROBLEM}")
endif()
# A time given that is the commit's own is recorded as the commit's: it is, and a record that
# says the environment gave it then says something no check can hold it to.
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "${_zr_tree_TIME}")
    set(ZR_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
    set(ZR_SOURCE_DATE_EPOCH_FROM "SOURCE_DATE_EPOCH")
    set(ZR_SOURCE_DATE_EPOCH_READ "the environment")
elseif(ZR_SOURCE_COMMIT)
    set(ZR_SOURCE_DATE_EPOCH ${_zr_tree_TIME})
    set(ZR_SOURCE_DATE_EPOCH_FROM "committer date of ${ZR_SOURCE_COMMIT}")
    set(ZR_SOURCE_DATE_EPOCH_READ "${_zr_tree_READ}")
else()
    message(FATAL_ERROR "No time for what this build writes: set SOURCE_DATE_EPOCH (seconds "
        "since 1970, e.g. the commit's), or build from a git clone or a git archive of the "
        "sources. ${PROJECT_SOURCE_DIR} is neither.")
endif()
if(NOT ZR_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$" OR ZR_SOURCE_DATE_EPOCH LESS 315532800)
    message(FATAL_ERROR "SOURCE_DATE_EPOCH=${ZR_SOURCE_DATE_EPOCH}: seconds since 1970, from 1980 on")
endif()
# Read back by the release (release/make reports them, release/provenance records them).
set(ZR_SOURCE_DATE_EPOCH "${ZR_SOURCE_DATE_EPOCH}" CACHE INTERNAL "")
set(ZR_SOURCE_DATE_EPOCH_FROM "${ZR_SOURCE_DATE_EPOCH_FROM}" CACHE INTERNAL "")
set(ZR_SOURCE_DATE_EPOCH_READ "${ZR_SOURCE_DATE_EPOCH_READ}" CACHE INTERNAL "")
set(ZR_SOURCE_COMMIT "${ZR_SOURCE_COMMIT}" CACHE INTERNAL "")
set(ZR_SOURCE_CHANGES "${ZR_SOURCE_CHANGES}" CACHE INTERNAL "")
