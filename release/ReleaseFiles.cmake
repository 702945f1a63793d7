# Makes a release file from the shipped files, the same bytes on every build of a commit:
#   cmake -DKIND=zip|msi -DOUTPUT=<file> -DSTAGE=<folder> -DEPOCH=<seconds>
#         -DFILES=<installed path>=<source>|... (release/ShippedFiles.cmake)
#         [msi: -DWXS= -DVERSION= -DFILE_VERSION= -DPRODUCT_CODE= -DUPGRADE_CODE= -DWIXL=
#         -DMSIBUILD= -DMSIINFO= -DFAKETIME=] [zip: -DZIP=] -P ReleaseFiles.cmake
# Both are made from a staging folder whose files have fixed modes and the time EPOCH, with
# every time zone taken as UTC: zip and cabinet entries hold local times.
function(run)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ARGN} WORKING_DIRECTORY ${STAGE}
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "${command}: ${result}\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${STAGE})
string(REPLACE "|" ";" FILES "${FILES}")
set(files)
set(folders)
foreach(entry ${FILES})
    string(REGEX MATCH "^([^=]+)=(.+)$" _ "${entry}")
    set(name ${CMAKE_MATCH_1})
    set(source ${CMAKE_MATCH_2})
    get_filename_component(folder ${name} DIRECTORY)
    set(mode OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    if(name MATCHES "\\.exe$")
        list(APPEND mode OWNER_EXECUTE GROUP_EXECUTE WORLD_EXECUTE)
    endif()
    file(MAKE_DIRECTORY ${STAGE}/${folder})
    file(COPY_FILE ${source} ${STAGE}/${name})
    file(CHMOD ${STAGE}/${name} FILE_PERMISSIONS ${mode})
    list(APPEND files ${name})
    if(folder)
        list(APPEND folders ${folder})
    endif()
endforeach()
list(REMOVE_DUPLICATES folders)
run(touch -d @${EPOCH} ${files} ${folders})
file(REMOVE ${OUTPUT})

if(KIND STREQUAL "zip")
    # No extra fields (owner, Unix times), no folder entries, the files in a fixed order.
    run(${ZIP} -X -D -q ${OUTPUT} ${files})
    return()
endif()

# wixl writes the time it runs at into the package's summary ("Created", "Last saved"): it runs
# on a clock stopped at EPOCH. (Without -f, faketime starts a clock there that runs on, and a
# wixl that takes longer than the rest of the second writes a later time.)
set(ENV{SOURCE_DATE_EPOCH} ${EPOCH})
string(TIMESTAMP at "%Y-%m-%d %H:%M:%S" UTC)
set(package ${OUTPUT}.part)
run(${FAKETIME} -f ${at} ${WIXL} -a x86 -D Version=${VERSION} -D ProductCode=${PRODUCT_CODE}
    -D UpgradeCode=${UPGRADE_CODE} -D ToolDir=. -o ${package} ${WXS})
# wixl leaves the exe's version out and hashes it like a data file: a versioned file must carry
# its version, by which Windows Installer decides to replace or repair it.
run(${MSIBUILD} ${package} -q "UPDATE `File` SET `Version` = '${FILE_VERSION}', `Language` = '1033' WHERE `File` = 'GetSessionLevel.exe'")
run(${MSIBUILD} ${package} -q "DELETE FROM `MsiFileHash` WHERE `File_` = 'GetSessionLevel.exe'")
# The package code, random from wixl, from the package's content instead: the same package has
# the same code, two different ones never share one. The content is taken with a fixed code in
# the code's place.
run(${MSIINFO} suminfo ${package})
foreach(field Subject Author Template)
    string(REGEX MATCH "\n${field}: ([^\n]*)" line "\n${output}")
    # A list separator to CMake ("Intel;1033"): kept in the one argument.
    string(REPLACE ";" "\\;" ${field} "${CMAKE_MATCH_1}")
endforeach()
run(${MSIBUILD} ${package} -s "${Subject}" "${Author}" "${Template}"
    "{00000000-0000-0000-0000-000000000000}")
file(SHA256 ${package} content)
string(UUID package_code NAMESPACE ${UPGRADE_CODE} NAME "package ${content}" TYPE SHA1 UPPER)
run(${MSIBUILD} ${package} -s "${Subject}" "${Author}" "${Template}" "{${package_code}}")
file(RENAME ${package} ${OUTPUT})
