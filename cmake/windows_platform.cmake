# The platform on Windows is the system's own: Win32, Direct3D 11 with DXGI,
# Direct3D 9, and the legacy D3DX runtime (d3dx9_43.dll, d3dx11_43.dll).
#
# fxdemo_add_windows_platform(TARGET) creates TARGET as an INTERFACE library
# carrying those libraries and their headers.

set(FXDEMO_DXSDK_DIR "$ENV{DXSDK_DIR}" CACHE PATH
    "The DirectX SDK (June 2010), for the D3DX headers and libraries with MSVC")
option(FXDEMO_D3DX_IMPORTS_FROM_DEF
       "Make the D3DX import libraries from platform/windows/*.def even where the toolchain has them" OFF)

# MinGW: the import library for DLL, from the toolchain when it has one,
# otherwise made with dlltool from our .def file, which lists only the entry
# points the program calls. Sets OUT_VAR to what to link.
function(_fxdemo_mingw_import_library dll out_var)
    execute_process(
        COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
        OUTPUT_VARIABLE found
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${found}" AND NOT FXDEMO_D3DX_IMPORTS_FROM_DEF)
        set(${out_var} ${dll} PARENT_SCOPE)
        return()
    endif()

    if(NOT CMAKE_DLLTOOL)
        set(names dlltool)
        if(CMAKE_CXX_COMPILER_TARGET)
            list(PREPEND names ${CMAKE_CXX_COMPILER_TARGET}-dlltool)
        endif()
        find_program(CMAKE_DLLTOOL NAMES ${names})
    endif()
    if(NOT CMAKE_DLLTOOL)
        message(FATAL_ERROR "lib${dll}.a is missing and no dlltool was found to make it")
    endif()

    # The .def names carry the 32-bit stdcall decoration (name@argument
    # bytes); x64 has no decoration, so it is removed there.
    set(def_in ${PROJECT_SOURCE_DIR}/platform/windows/${dll}.def)
    set(def_out ${CMAKE_BINARY_DIR}/imports/${dll}.def)
    set(lib_out ${CMAKE_BINARY_DIR}/imports/lib${dll}.a)
    file(READ ${def_in} def_text)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        string(REGEX REPLACE "@[0-9]+" "" def_text "${def_text}")
        set(kill_at)
    else()
        set(kill_at --kill-at)
    endif()
    file(CONFIGURE OUTPUT ${def_out} CONTENT "${def_text}" @ONLY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_in})

    add_custom_command(
        OUTPUT ${lib_out}
        COMMAND ${CMAKE_DLLTOOL} --input-def ${def_out} --dllname ${dll}.dll --output-lib ${lib_out} ${kill_at}
        DEPENDS ${def_out}
        COMMENT "Making the import library for ${dll}.dll"
        VERBATIM)
    add_custom_target(fxdemo_import_${dll} DEPENDS ${lib_out})
    set_property(GLOBAL APPEND PROPERTY FXDEMO_IMPORT_TARGETS fxdemo_import_${dll})
    message(STATUS "lib${dll}.a: made from ${dll}.def")
    set(${out_var} ${lib_out} PARENT_SCOPE)
endfunction()

function(fxdemo_add_windows_platform target)
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    # dxguid defines the interface identifiers (IID_ID3D11Texture2D).
    target_link_libraries(${target} INTERFACE user32 gdi32 kernel32 d3d11 dxgi d3d9 dxguid)

    if(MINGW)
        _fxdemo_mingw_import_library(d3dx9_43 d3dx9)
        _fxdemo_mingw_import_library(d3dx11_43 d3dx11)
        target_link_libraries(${target} INTERFACE ${d3dx9} ${d3dx11})
        get_property(imports GLOBAL PROPERTY FXDEMO_IMPORT_TARGETS)
        if(imports)
            add_dependencies(${target} ${imports})
        endif()
        # No libstdc++, libgcc or winpthread DLLs to ship: only system DLLs
        # and the D3DX runtime are loaded.
        target_link_options(${target} INTERFACE -static)
    elseif(MSVC)
        # DXSDK_DIR is a Windows path with a trailing backslash.
        file(TO_CMAKE_PATH "${FXDEMO_DXSDK_DIR}" dxsdk)
        if(NOT dxsdk OR NOT EXISTS "${dxsdk}/Include/d3dx11.h")
            message(FATAL_ERROR "D3DX needs the DirectX SDK (June 2010): install it, or set "
                                "FXDEMO_DXSDK_DIR to its folder (found: '${FXDEMO_DXSDK_DIR}')")
        endif()
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            set(arch x64)
        else()
            set(arch x86)
        endif()
        # SYSTEM: the SDK's own headers are not ours to keep warning-free.
        target_include_directories(${target} SYSTEM INTERFACE "${dxsdk}/Include")
        target_link_directories(${target} INTERFACE "${dxsdk}/Lib/${arch}")
        # The SDK names its import libraries for d3dx9_43.dll and
        # d3dx11_43.dll plainly d3dx9.lib and d3dx11.lib.
        target_link_libraries(${target} INTERFACE d3dx9 d3dx11)
    else()
        target_link_libraries(${target} INTERFACE d3dx9_43 d3dx11_43)
    endif()
endfunction()
