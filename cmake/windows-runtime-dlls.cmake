# Run at install time (cmake/windows-install.cmake sets koravel_exe,
# koravel_libraries, koravel_dll_dirs, koravel_link_dir and, for a cross
# build, the PE tool):
# installs beside the program every DLL that it and its plug-ins import,
# and the DLLs those import, but Windows' own.
#
# A PE file names its imports in any case and CMake compares them in lower
# case, which a Linux folder does not match: the DLLs of the folders are
# looked up through links named in lower case, then installed under their
# own names.
set(farm "${koravel_link_dir}")
file(REMOVE_RECURSE "${farm}")
file(MAKE_DIRECTORY "${farm}")
foreach(dir IN LISTS koravel_dll_dirs)
  file(GLOB dlls "${dir}/*.dll" "${dir}/*.DLL")
  foreach(dll IN LISTS dlls)
    get_filename_component(name "${dll}" NAME)
    string(TOLOWER "${name}" lower)
    if(NOT EXISTS "${farm}/${lower}")
      file(CREATE_LINK "${dll}" "${farm}/${lower}" SYMBOLIC)
    endif()
  endforeach()
endforeach()

file(GET_RUNTIME_DEPENDENCIES
  EXECUTABLES "${koravel_exe}"
  LIBRARIES ${koravel_libraries}
  DIRECTORIES "${farm}"
  PRE_EXCLUDE_REGEXES "^api-ms-" "^ext-ms-"
    "^(advapi32|authz|bcrypt|comctl32|comdlg32|crypt32|d3d11|d3d9|dnsapi|dwmapi|dwrite|dxgi|gdi32|imm32|iphlpapi|kernel32|mpr|msvcrt|ncrypt|netapi32|ntdll|ole32|oleaut32|rpcrt4|secur32|setupapi|shcore|shell32|shlwapi|user32|userenv|uxtheme|version|winhttp|winmm|winspool|wtsapi32|ws2_32)\\.(dll|drv)$"
  POST_EXCLUDE_REGEXES ".*[Ss][Yy][Ss][Tt][Ee][Mm]32/.*"
  RESOLVED_DEPENDENCIES_VAR found
  UNRESOLVED_DEPENDENCIES_VAR missing)
if(missing)
  message(FATAL_ERROR "imported but found nowhere: ${missing}")
endif()
foreach(dll IN LISTS found)
  if(IS_SYMLINK "${dll}")
    file(READ_SYMLINK "${dll}" dll)
  endif()
  file(INSTALL "${dll}" DESTINATION "${CMAKE_INSTALL_PREFIX}")
endforeach()
