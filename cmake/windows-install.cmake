# What the Windows installer puts in the program's folder, for the native
# build and the cross build alike (cmake --install <build> --prefix <stage>):
# the program, Qt's plug-ins in their usual sub-folders, Qt's French texts,
# a qt.conf naming those folders, and every DLL that they import, found by
# CMake in the folders of the libraries built for Windows, but Windows' own.

install(TARGETS koravel3 RUNTIME DESTINATION .)

# PNG, the only image format the program reads or writes, is built into Qt
# Gui; printing needs no plug-in on Windows (Qt PrintSupport talks to the
# spooler itself).
set(koravel_plugins
    platforms Qt6::QWindowsIntegrationPlugin
    platforms Qt6::QOffscreenIntegrationPlugin
    sqldrivers Qt6::QMYSQLDriverPlugin
    tls Qt6::QSchannelBackendPlugin
    tls Qt6::QTlsBackendCertOnlyPlugin
    styles Qt6::QWindowsVistaStylePlugin)
set(koravel_plugin_files)
while(koravel_plugins)
  list(POP_FRONT koravel_plugins folder plugin)
  install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${folder})
  list(APPEND koravel_plugin_files "\${CMAKE_INSTALL_PREFIX}/${folder}/$<TARGET_FILE_NAME:${plugin}>")
endwhile()

# Qt's French texts (the toolkit's own buttons and dialogs): a cross build
# takes the build machine's, of the same Qt version.
if(CMAKE_CROSSCOMPILING)
  set(koravel_qt_translations /usr/share/qt6/translations)
else()
  set(koravel_qt_translations "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}")
endif()
install(FILES "${koravel_qt_translations}/qtbase_fr.qm" DESTINATION translations)
# Qt's paths relative to the program's folder.
file(WRITE ${PROJECT_BINARY_DIR}/qt.conf
     "[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n")
install(FILES ${PROJECT_BINARY_DIR}/qt.conf DESTINATION .)

# Where the imported DLLs are: Qt's, the MariaDB client's and OpenSSL's
# folders, and MinGW's runtime.
get_filename_component(koravel_mariadb_dir "${MARIADB_LIBRARY}" DIRECTORY)
get_filename_component(koravel_openssl_dir "${OPENSSL_CRYPTO_LIBRARY}" DIRECTORY)
set(koravel_dll_dirs "$<TARGET_FILE_DIR:Qt6::Core>" "${koravel_mariadb_dir}"
    "${koravel_openssl_dir}/../bin")
if(MINGW)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                  OUTPUT_VARIABLE koravel_libstdcxx OUTPUT_STRIP_TRAILING_WHITESPACE)
  get_filename_component(koravel_libstdcxx_dir "${koravel_libstdcxx}" DIRECTORY)
  list(APPEND koravel_dll_dirs "${koravel_libstdcxx_dir}")
  if(CMAKE_CROSSCOMPILING)
    list(APPEND koravel_dll_dirs /usr/x86_64-w64-mingw32/lib)
  endif()
endif()
set(koravel_tool_settings "")
if(CMAKE_CROSSCOMPILING)
  # The build machine reads the PE imports with MinGW's objdump.
  set(koravel_tool_settings "set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
    set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
    set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND \"${CMAKE_OBJDUMP}\")")
endif()
install(CODE "${koravel_tool_settings}
  set(koravel_exe \"\${CMAKE_INSTALL_PREFIX}/koravel3.exe\")
  set(koravel_libraries \"${koravel_plugin_files}\")
  set(koravel_dll_dirs \"${koravel_dll_dirs}\")
  set(koravel_link_dir \"${PROJECT_BINARY_DIR}/koravel-dll-links\")")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/windows-runtime-dlls.cmake)
