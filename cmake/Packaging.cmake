# Release packages, one ZIP per component:
#   GetSessionLevel-<version>-<win32|win64>.zip                  the tool and its description
#   GetSessionLevel-<version>-<win32|win64>-test-standins.zip    the suite stand-ins, for tests
# The stand-ins never go into the release package.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ZR_PACKAGE_ARCH win32)
else()
    set(ZR_PACKAGE_ARCH win64)
endif()
set(ZR_PACKAGE_NAME GetSessionLevel-${PROJECT_VERSION}-${ZR_PACKAGE_ARCH})

install(FILES $<TARGET_FILE:GetSessionLevel> ${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt
    DESTINATION . COMPONENT tool)

set(CPACK_COMPONENTS_ALL tool)
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
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
include(CPack)
