# Packages. Only the shipping i686 build is released, as a ZIP and as an MSI:
#   GetSessionLevel-<version>-win32.zip, .msi    the tool, its description, the script example
# both made by the build (release/ReleaseFiles.cmake), the same bytes on every build of a commit.
# The x86_64 build is for development and tests only: the suite's service library is 32-bit,
# and the 64-bit record layout is a guess of ours, so a 64-bit tool could only fail on a real
# machine. Both builds package the stand-ins with CPack, for tests only, never with the tool:
#   GetSessionLevel-<version>-<win32|win64>-test-standins.zip
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ZR_PACKAGE_ARCH win32)
    set(ZR_RELEASE ON)
else()
    set(ZR_PACKAGE_ARCH win64)
    set(ZR_RELEASE OFF)
endif()
set(ZR_PACKAGE_NAME GetSessionLevel-${PROJECT_VERSION}-${ZR_PACKAGE_ARCH})
set(ZR_PACKAGE_DIR ${CMAKE_BINARY_DIR}/packages)
# The product's for good: packages of higher versions replace installed ones.
set(ZR_UPGRADE_CODE 85B1D2C0-2F6C-476A-8640-83903DDC3020)

set(CPACK_COMPONENTS_ALL)
if(ZR_BUILD_STANDINS)
    install(FILES $<TARGET_FILE:ZrError> ${PROJECT_SOURCE_DIR}/suite/StandIns.txt
        DESTINATION . COMPONENT standins EXCLUDE_FROM_ALL)
    foreach(target ${ZR_STANDIN_TARGETS})
        get_target_property(folder ${target} RUNTIME_OUTPUT_DIRECTORY)
        get_filename_component(variant ${folder} NAME)
        install(FILES $<TARGET_FILE:${target}> DESTINATION ${variant} COMPONENT standins
            EXCLUDE_FROM_ALL)
    endforeach()
    list(APPEND CPACK_COMPONENTS_ALL standins)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME GetSessionLevel)
set(CPACK_PACKAGE_VENDOR "Tessarin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Get current session level utility")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_STANDINS_FILE_NAME ${ZR_PACKAGE_NAME}-test-standins)
set(CPACK_PACKAGE_DIRECTORY ${ZR_PACKAGE_DIR})
include(CPack)

# zr_add_release_file(<target> zip|msi <output> [<version>])
#
# The tool's release zip, or its Windows Installer package of the given version (made by wixl
# from tool/GetSessionLevel.wxs), from the files of the release; a package is signed when a
# certificate is given (release/sign-authenticode.sh). The product code of a package follows from
# the UpgradeCode and the version: each version is a product of its own, and the same version
# built twice is the same product.
function(zr_add_release_file target kind output)
    string(JOIN "|" files ${ZR_SHIPPED_FILES})
    set(args -DKIND=${kind} -DOUTPUT=${output} -DSTAGE=${CMAKE_CURRENT_BINARY_DIR}/${target}-files
        -DEPOCH=${ZR_SOURCE_DATE_EPOCH} -DFILES=${files})
    set(depends GetSessionLevel ${ZR_SHIPPED_SOURCES} ${PROJECT_SOURCE_DIR}/release/ReleaseFiles.cmake
        ${PROJECT_SOURCE_DIR}/release/ShippedFiles.cmake)
    set(sign)
    if(kind STREQUAL "zip")
        list(APPEND args -DZIP=${ZR_ZIP})
    else()
        set(version ${ARGV3})
        set(wxs ${PROJECT_SOURCE_DIR}/tool/GetSessionLevel.wxs)
        string(UUID product_code NAMESPACE ${ZR_UPGRADE_CODE} NAME "product ${version}" TYPE SHA1 UPPER)
        list(APPEND args -DWXS=${wxs} -DVERSION=${version} -DFILE_VERSION=${ZR_FILE_VERSION}
            -DPRODUCT_CODE=${product_code} -DUPGRADE_CODE=${ZR_UPGRADE_CODE} -DWIXL=${ZR_WIXL}
            -DMSIBUILD=${ZR_MSIBUILD} -DMSIINFO=${ZR_MSIINFO} -DFAKETIME=${ZR_FAKETIME})
        list(APPEND depends ${wxs})
        set(sign COMMAND ${ZR_SIGN} ${output})
    endif()
    get_filename_component(folder ${output} DIRECTORY)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${CMAKE_COMMAND} ${args} -P ${PROJECT_SOURCE_DIR}/release/ReleaseFiles.cmake
        ${sign}
        DEPENDS ${depends}
        COMMENT "Making ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

if(ZR_RELEASE AND CMAKE_HOST_UNIX)
    foreach(tool wixl msibuild msiinfo faketime zip)
        string(TOUPPER ${tool} name)
        find_program(ZR_${name} ${tool})
        if(NOT ZR_${name})
            message(FATAL_ERROR "${tool} not found: run scripts/setup")
        endif()
    endforeach()
    # Read back by the rebuild test, which checks that the record names their libraries.
    set(ZR_CXX_COMPILER ${CMAKE_CXX_COMPILER} CACHE INTERNAL "")
    set(ZR_RC_COMPILER ${CMAKE_RC_COMPILER} CACHE INTERNAL "")
    # The notices that the licences of what is linked into the exe ask it to carry.
    add_custom_command(OUTPUT ${ZR_NOTICES}
        COMMAND bash ${PROJECT_SOURCE_DIR}/release/provenance notices ${CMAKE_BINARY_DIR} ${ZR_NOTICES}
        DEPENDS GetSessionLevel ${PROJECT_SOURCE_DIR}/release/provenance
        COMMENT "Collecting the notices of the linked runtime"
        VERBATIM)
    zr_add_release_file(ReleaseZip zip ${ZR_PACKAGE_DIR}/${ZR_PACKAGE_NAME}.zip)
    zr_add_release_file(ReleaseMsi msi ${ZR_PACKAGE_DIR}/${ZR_PACKAGE_NAME}.msi ${PROJECT_VERSION})
    # What release/make puts in the release folder, one path a line.
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/release-files.txt CONTENT
        "$<TARGET_FILE:GetSessionLevel>\n${ZR_PACKAGE_DIR}/${ZR_PACKAGE_NAME}.zip\n${ZR_PACKAGE_DIR}/${ZR_PACKAGE_NAME}.msi\n")
endif()
