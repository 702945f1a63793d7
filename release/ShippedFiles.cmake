# What the release zip and the installer package hold, "<installed path>=<where it comes from>",
# in the order the zip stores them: the one list of the shipped files. The packaging, the
# package and installer checks derive from it, and tool/GetSessionLevel.wxs is checked against
# it by installing the package (tests/install/msi.sh).
# The notices are made by the build (release/Packaging.cmake).
set(ZR_NOTICES ${CMAKE_BINARY_DIR}/ThirdPartyNotices.txt)
set(ZR_SHIPPED_FILES
    GetSessionLevel.exe=$<TARGET_FILE:GetSessionLevel>
    GetSessionLevel.txt=${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt
    ThirdPartyNotices.txt=${ZR_NOTICES}
    examples/SessionLevel.cmd=${PROJECT_SOURCE_DIR}/examples/SessionLevel.cmd)
# The installed paths alone, and where they come from.
set(ZR_SHIPPED_NAMES)
set(ZR_SHIPPED_SOURCES)
foreach(entry ${ZR_SHIPPED_FILES})
    string(REGEX MATCH "^([^=]+)=(.+)$" _ "${entry}")
    list(APPEND ZR_SHIPPED_NAMES ${CMAKE_MATCH_1})
    list(APPEND ZR_SHIPPED_SOURCES ${CMAKE_MATCH_2})
endforeach()
