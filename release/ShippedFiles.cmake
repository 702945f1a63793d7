# What the release zip and the installer package hold, in the order the zip stores them: the one
# list of the shipped files, three words each: the installed path, the GUID of its installer
# component, and where it comes from. A component keeps its GUID for good: an upgrade that met
# the same file under another would remove it. The zip, the installer package
# (GetSessionLevel.wxs.in), the files copied beside the built tool and the package and installer
# checks all derive from it.
set(ZR_SHIPPED_EXE ${CMAKE_CURRENT_BINARY_DIR}/GetSessionLevel.exe) # the tool as it ships: signed
set(ZR_NOTICES ${CMAKE_BINARY_DIR}/ThirdPartyNotices.txt) # made by the build
set(_zr_shipped
    GetSessionLevel.exe 7C6EF266-EE60-44B4-826E-2279DBE46CE1 ${ZR_SHIPPED_EXE}
    GetSessionLevel.txt 5F2C11E0-B268-4CA0-9626-CE04B6AB7DE9 ${PROJECT_SOURCE_DIR}/doc/GetSessionLevel.txt
    ThirdPartyNotices.txt B3E1D7A4-6C25-4F0E-9A8B-2D5C7E9F1A36 ${ZR_NOTICES}
    examples/SessionLevel.cmd 9D02BE83-1768-4BD1-B1DF-0B510207C958 ${PROJECT_SOURCE_DIR}/examples/SessionLevel.cmd)

# ZR_SHIPPED_FILES: "<installed path>=<source>" each; ZR_SHIPPED_NAMES and ZR_SHIPPED_SOURCES the
# two parts alone; ZR_WXS_FILES and ZR_WXS_REFS the installer's components and their references.
set(ZR_SHIPPED_FILES)
set(ZR_SHIPPED_NAMES)
set(ZR_SHIPPED_SOURCES)
set(ZR_WXS_FILES)
set(ZR_WXS_REFS)
set(_zr_folder "")
list(LENGTH _zr_shipped _zr_count)
math(EXPR _zr_last "${_zr_count} - 1")
foreach(_zr_i RANGE 0 ${_zr_last} 3)
    math(EXPR _zr_j "${_zr_i} + 1")
    math(EXPR _zr_k "${_zr_i} + 2")
    list(GET _zr_shipped ${_zr_i} _zr_name)
    list(GET _zr_shipped ${_zr_j} _zr_guid)
    list(GET _zr_shipped ${_zr_k} _zr_source)
    list(APPEND ZR_SHIPPED_FILES "${_zr_name}=${_zr_source}")
    list(APPEND ZR_SHIPPED_NAMES ${_zr_name})
    list(APPEND ZR_SHIPPED_SOURCES ${_zr_source})
    # Files of the root folder first, then of one subfolder at a time, as the list orders them.
    get_filename_component(_zr_sub "${_zr_name}" DIRECTORY)
    get_filename_component(_zr_file "${_zr_name}" NAME)
    if(NOT _zr_sub STREQUAL _zr_folder)
        if(_zr_folder)
            string(APPEND ZR_WXS_FILES "          </Directory>\n")
        endif()
        if(_zr_sub MATCHES "/")
            message(FATAL_ERROR "${_zr_name}: the installer holds one level of folders")
        endif()
        string(APPEND ZR_WXS_FILES "          <Directory Id=\"${_zr_sub}\" Name=\"${_zr_sub}\">\n")
        set(_zr_folder "${_zr_sub}")
    endif()
    string(APPEND ZR_WXS_FILES
        "          <Component Id=\"${_zr_file}\" Guid=\"${_zr_guid}\">\n"
        "            <File Id=\"${_zr_file}\" Name=\"${_zr_file}\" Source=\"$(var.ToolDir)/${_zr_name}\" KeyPath=\"yes\"/>\n"
        "          </Component>\n")
    string(APPEND ZR_WXS_REFS "      <ComponentRef Id=\"${_zr_file}\"/>\n")
endforeach()
if(_zr_folder)
    string(APPEND ZR_WXS_FILES "          </Directory>\n")
endif()
