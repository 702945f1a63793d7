# zr_source_tree(<root> <prefix> [<excluded>...]): which commit the tree at <root> is, and what
# has changed since; the one answer for the build and the release scripts. What lies at an
# <excluded> path (absolute; one ending in "*" names every path it begins) is no change: a
# release's own output inside the tree. Sets in the caller's scope:
#   <prefix>_COMMIT   the commit, empty when none is known
#   <prefix>_TIME     its committer time, seconds since 1970
#   <prefix>_READ     where they were read: "git", or "the git archive's SourceDate.txt"
#   <prefix>_CHANGES  what no commit holds, "<git status> <path>" each: tracked files anywhere,
#                     untracked ones under the folders a release build reads (ZR_BUILD_INPUTS)
#   <prefix>_PROBLEM  why no commit is known, when none is
# The commit is the one the tree is checked out at when it is a git work tree of its own (not a
# folder of another repository; compared by real path, so a checkout reached through a symlink
# is its own), also where another user owns it and whatever log.showSignature says; else the
# one a `git archive` of the tree was made from, which git writes into SourceDate.txt beside
# this file (export-subst in .gitattributes). Line ends as a clone's checkout gave them are no
# change.
#
# Run as a script it writes the same into ANSWER, one "<field> <value>" a line, which
# zr_read_source_tree(<file> <prefix>) reads back: a release asks once, and its build takes that
# answer.
#   cmake -DROOT=<root> -DANSWER=<file> [-DEXCLUDE=<excluded>;...] -P SourceTree.cmake
set(ZR_BUILD_INPUTS CMakeLists.txt CMakePresets.json cmake release Common Include tool doc examples)

function(zr_source_tree root prefix)
    set(commit "")
    set(time "")
    set(read "")
    set(changes "")
    set(problem "")
    find_package(Git QUIET)
    file(REAL_PATH "${root}" source)
    set(git ${GIT_EXECUTABLE} -c safe.directory=* -c log.showSignature=false -c core.autocrlf=true
        -c core.quotePath=false -C ${source})
    # The excluded paths inside the tree, as pathspecs that match them literally.
    set(excluded)
    foreach(path IN LISTS ARGN)
        set(all "")
        if(path MATCHES "\\*$")
            string(REGEX REPLACE "\\*$" "" path "${path}")
            set(all "*")
        endif()
        get_filename_component(parent "${path}" DIRECTORY)
        get_filename_component(name "${path}" NAME)
        if(EXISTS "${parent}")
            file(REAL_PATH "${parent}" parent)
        endif()
        file(RELATIVE_PATH relative "${source}" "${parent}/${name}")
        if(NOT relative MATCHES "^\\.\\.(/|$)" AND NOT IS_ABSOLUTE "${relative}")
            string(REGEX REPLACE "([][*?\\])" "\\\\\\1" relative "${relative}")
            list(APPEND excluded ":(exclude,glob)${relative}${all}" ":(exclude,glob)${relative}${all}/**")
        endif()
    endforeach()
    set(own NO)
    if(GIT_FOUND)
        execute_process(COMMAND ${git} rev-parse --show-toplevel OUTPUT_VARIABLE top
            OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE result)
        if(result EQUAL 0 AND EXISTS "${top}")
            file(REAL_PATH "${top}" top)
            if(top STREQUAL source)
                set(own YES)
            endif()
        endif()
    endif()
    if(own)
        execute_process(COMMAND ${git} log -1 --no-show-signature "--format=%ct %H"
            OUTPUT_VARIABLE line OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_VARIABLE error)
        if(line MATCHES "^([0-9]+) ([0-9a-f]+)$")
            set(time ${CMAKE_MATCH_1})
            set(commit ${CMAKE_MATCH_2})
            set(read git)
        else()
            set(problem "git gives no commit for ${source}: ${line}${error}")
        endif()
        foreach(untracked no all)
            set(where -- .)
            if(untracked STREQUAL all)
                set(where -- ${ZR_BUILD_INPUTS})
            endif()
            list(APPEND where ${excluded})
            execute_process(COMMAND ${git} status --porcelain --untracked-files=${untracked} ${where}
                OUTPUT_VARIABLE status ERROR_VARIABLE error RESULT_VARIABLE result)
            if(NOT result EQUAL 0)
                set(problem "git status fails in ${source}: ${error}")
            endif()
            string(REPLACE ";" "\\;" status "${status}")
            string(REPLACE "\n" ";" status "${status}")
            foreach(entry IN LISTS status)
                if(entry AND (untracked STREQUAL no OR entry MATCHES "^\\?\\? "))
                    list(APPEND changes "${entry}")
                endif()
            endforeach()
        endforeach()
    else()
        file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SourceDate.txt archived REGEX "^[0-9]+ [0-9a-f]+$")
        if(archived MATCHES "^([0-9]+) ([0-9a-f]+)$")
            set(time ${CMAKE_MATCH_1})
            set(commit ${CMAKE_MATCH_2})
            set(read "the git archive's SourceDate.txt")
        elseif(NOT GIT_FOUND AND EXISTS "${source}/.git")
            set(problem "git is not installed (apt-get install git), and this tree is a git clone: "
                "its commit cannot be read without it")
        else()
            set(problem "${source} is neither a git clone of its own nor a git archive: no commit is known")
        endif()
    endif()
    string(JOIN "" problem ${problem})
    foreach(name COMMIT TIME READ CHANGES PROBLEM)
        string(TOLOWER ${name} value)
        set(${prefix}_${name} "${${value}}" PARENT_SCOPE)
    endforeach()
endfunction()

function(zr_read_source_tree file prefix)
    foreach(name COMMIT TIME READ CHANGES PROBLEM)
        set(value "")
        if(name STREQUAL CHANGES)
            file(STRINGS "${file}" lines REGEX "^change ")
            foreach(line IN LISTS lines)
                string(SUBSTRING "${line}" 7 -1 line)
                list(APPEND value "${line}")
            endforeach()
        else()
            string(TOLOWER ${name} field)
            file(STRINGS "${file}" lines REGEX "^${field} ")
            if(lines)
                string(LENGTH "${field} " skip)
                string(SUBSTRING "${lines}" ${skip} -1 value)
            endif()
        endif()
        set(${prefix}_${name} "${value}" PARENT_SCOPE)
    endforeach()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    zr_source_tree("${ROOT}" tree ${EXCLUDE})
    set(answer "")
    foreach(field COMMIT TIME READ PROBLEM)
        string(TOLOWER ${field} name)
        if(tree_${field})
            string(APPEND answer "${name} ${tree_${field}}\n")
        endif()
    endforeach()
    foreach(change IN LISTS tree_CHANGES)
        string(APPEND answer "change ${change}\n")
    endforeach()
    file(WRITE "${ANSWER}" "${answer}")
endif()
