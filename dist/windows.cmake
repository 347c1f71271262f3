# Wayfold for Windows: the program with every DLL it loads, laid out as it
# runs (wayfold.exe beside the Qt, MinGW and libzip DLLs, the Qt plugins in
# their folders), packed as a portable zip and as an installer (NSIS) that
# puts it under Program Files, adds a Start-menu entry, offers Wayfold for
# the file types it reads and takes all of it away again on uninstall.

install(TARGETS wayfold RUNTIME DESTINATION .)
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)

# The DLLs come from where the build found them: Qt's and libzip's cached
# prefix and the MinGW runtime (windows-dlls.cmake).
get_target_property(WAYFOLD_QT_CORE Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(WAYFOLD_QT_BIN "${WAYFOLD_QT_CORE}" DIRECTORY)
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libstdc++-6.dll
                OUTPUT_VARIABLE WAYFOLD_CXX_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(WAYFOLD_CXX_RUNTIME_DIR "${WAYFOLD_CXX_RUNTIME}" DIRECTORY)
install(CODE "
  set(WAYFOLD_OBJDUMP \"${CMAKE_OBJDUMP}\")
  set(WAYFOLD_STRIP \"${CMAKE_STRIP}\")
  set(WAYFOLD_DLL_DIRS \"${WAYFOLD_QT_BIN};${WAYFOLD_WINDOWS_PREFIX}/bin;${WAYFOLD_CXX_RUNTIME_DIR};/usr/x86_64-w64-mingw32/lib\")
  set(WAYFOLD_SYSTEM_DLLS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  set(WAYFOLD_EXECUTABLE $<TARGET_FILE_NAME:wayfold>)
  set(WAYFOLD_PLUGINS \"platforms/$<TARGET_FILE_NAME:Qt6::QWindowsIntegrationPlugin>;styles/$<TARGET_FILE_NAME:Qt6::QWindowsVistaStylePlugin>\")
")
install(SCRIPT windows-dlls.cmake)

# The file types offered to Wayfold ("Open with"); a type that has no program
# yet gets Wayfold as its program. ZIP files are only offered: most of them
# hold something else.
set(WAYFOLD_OPEN_TYPES .loc .gpx .mps .gdb)
set(WAYFOLD_OFFER_TYPES .zip)

set(install_types "")
set(uninstall_types "")
foreach(ext ${WAYFOLD_OPEN_TYPES} ${WAYFOLD_OFFER_TYPES})
  string(APPEND install_types
    "  WriteRegStr HKLM 'Software\\\\Classes\\\\${ext}\\\\OpenWithProgids' 'Wayfold.File' ''\n")
  string(APPEND uninstall_types
    "  DeleteRegValue HKLM 'Software\\\\Classes\\\\${ext}\\\\OpenWithProgids' 'Wayfold.File'\n"
    "  DeleteRegKey /ifempty HKLM 'Software\\\\Classes\\\\${ext}\\\\OpenWithProgids'\n")
endforeach()
foreach(ext ${WAYFOLD_OPEN_TYPES})
  string(APPEND install_types
    "  ReadRegStr $0 HKCR '${ext}' ''\n"
    "  StrCmp $0 '' 0 +2\n"
    "  WriteRegStr HKLM 'Software\\\\Classes\\\\${ext}' '' 'Wayfold.File'\n")
  string(APPEND uninstall_types
    "  ReadRegStr $0 HKLM 'Software\\\\Classes\\\\${ext}' ''\n"
    "  StrCmp $0 'Wayfold.File' 0 +2\n"
    "  DeleteRegValue HKLM 'Software\\\\Classes\\\\${ext}' ''\n"
    "  DeleteRegKey /ifempty HKLM 'Software\\\\Classes\\\\${ext}'\n")
endforeach()

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_PACKAGE_NAME Wayfold)
set(CPACK_PACKAGE_VENDOR Wayfold)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "waypoint file convertor for geocachers")
set(CPACK_PACKAGE_FILE_NAME wayfold-${PROJECT_VERSION}-windows-x64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Wayfold)
set(CPACK_PACKAGE_EXECUTABLES wayfold Wayfold)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
set(CPACK_STRIP_FILES ON)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
# A 64-bit installer for a 64-bit program: it sees the 64-bit registry and
# Program Files, and runs where 32-bit programs cannot.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_DISPLAY_NAME Wayfold)
set(CPACK_NSIS_PACKAGE_NAME Wayfold)
set(CPACK_NSIS_INSTALLED_ICON_NAME wayfold.exe)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The program's class: its name in "Open with", and what opening a file does.
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  WriteRegStr HKLM 'Software\\\\Classes\\\\Wayfold.File' '' 'Waypoint file'
  WriteRegStr HKLM 'Software\\\\Classes\\\\Wayfold.File\\\\DefaultIcon' '' '$INSTDIR\\\\wayfold.exe,0'
  WriteRegStr HKLM 'Software\\\\Classes\\\\Wayfold.File\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\wayfold.exe\\\" \\\"%1\\\"'
  WriteRegStr HKLM 'Software\\\\Classes\\\\Applications\\\\wayfold.exe\\\\shell\\\\open\\\\command' '' '\\\"$INSTDIR\\\\wayfold.exe\\\" \\\"%1\\\"'
${install_types}  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
${uninstall_types}  DeleteRegKey HKLM 'Software\\\\Classes\\\\Wayfold.File'
  DeleteRegKey HKCU 'Software\\\\Classes\\\\Wayfold.File'
  DeleteRegKey HKLM 'Software\\\\Classes\\\\Applications\\\\wayfold.exe'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
")
include(CPack)
