# Packages. Only the shipping i686 build is released, as a ZIP and as an MSI:
#   GetSessionLevel-<version>-win32.zip, .msi    the tool, its description, the script example
# The x86_64 build is for development and tests only: the suite's service library is 32-bit,
# and the 64-bit record layout is a guess of ours, so a 64-bit tool could only fail on a real
# machine. Both builds package the stand-ins, for tests only, never with the tool:
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

set(CPACK_COMPONENTS_ALL)
if(ZR_RELEASE)
    install(FILES $<TARGET_FILE:GetSessionLevel> ${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt
        DESTINATION . COMPONENT tool)
    install(FILES ${PROJECT_SOURCE_DIR}/examples/SessionLevel.cmd DESTINATION examples COMPONENT tool)
    list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
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
set(CPACK_ARCHIVE_TOOL_FILE_NAME ${ZR_PACKAGE_NAME})
set(CPACK_ARCHIVE_STANDINS_FILE_NAME ${ZR_PACKAGE_NAME}-test-standins)
set(CPACK_PACKAGE_DIRECTORY ${ZR_PACKAGE_DIR})
include(CPack)

# zr_add_msi(<target> <output .msi> <version>)
#
# The tool's Windows Installer package of the given version, made by wixl from
# tool/GetSessionLevel.wxs with the files of the release package, and signed when a
# certificate is given (cmake/sign-authenticode.sh).
find_program(ZR_WIXL wixl)
function(zr_add_msi target output version)
    set(stage ${CMAKE_CURRENT_BINARY_DIR}/${target}-files)
    set(wxs ${PROJECT_SOURCE_DIR}/tool/GetSessionLevel.wxs)
    get_filename_component(folder ${output} DIRECTORY)
    file(MAKE_DIRECTORY ${stage}/examples ${folder})
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:GetSessionLevel>
            ${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt ${stage}
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/examples/SessionLevel.cmd
            ${stage}/examples
        # wixl takes the sources relative to the folder it runs in.
        COMMAND ${ZR_WIXL} -a x86 -D Version=${version} -D ToolDir=. -o ${output} ${wxs}
        COMMAND ${ZR_SIGN} ${output}
        WORKING_DIRECTORY ${stage}
        DEPENDS GetSessionLevel ${wxs} ${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt
            ${PROJECT_SOURCE_DIR}/examples/SessionLevel.cmd
        COMMENT "Making the installer package ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

if(ZR_RELEASE AND CMAKE_HOST_UNIX)
    if(NOT ZR_WIXL)
        message(FATAL_ERROR "wixl not found: run scripts/setup")
    endif()
    zr_add_msi(ReleaseMsi ${ZR_PACKAGE_DIR}/${ZR_PACKAGE_NAME}.msi ${PROJECT_VERSION})
endif()
