# Windows: everything in one folder (the programs, the Qt and MinGW runtime DLLs beside them, Qt's
# plugins in their folders), packed as a zip and as an NSIS installer by CPack.

# The icon, drawn in code, rendered by the build machine's own renderer when cross-building.
if(CMAKE_CROSSCOMPILING)
  set(icon_renderer host::serimo-render-icon)
else()
  add_executable(serimo-render-icon render_icon.cpp ${PROJECT_SOURCE_DIR}/res/artwork.cpp)
  target_include_directories(serimo-render-icon PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(serimo-render-icon PRIVATE Qt6::Gui)
  set(icon_renderer serimo-render-icon)
endif()
set(icon_file ${CMAKE_CURRENT_BINARY_DIR}/serimo.ico)
add_custom_command(
  OUTPUT ${icon_file}
  COMMAND ${icon_renderer} --ico ${icon_file} 16 24 32 48 64 128 256
  DEPENDS ${icon_renderer}
  COMMENT "Rendering the application icon"
  VERBATIM)
add_custom_target(serimo-icons ALL DEPENDS ${icon_file})

install(TARGETS serimo serimo-decode RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
foreach(plugin QWindowsIntegrationPlugin QWindowsVistaStylePlugin)
  get_target_property(location Qt6::${plugin} IMPORTED_LOCATION_RELEASE)
  if(NOT location)
    get_target_property(location Qt6::${plugin} IMPORTED_LOCATION)
  endif()
  get_filename_component(folder ${location} DIRECTORY)
  get_filename_component(folder ${folder} NAME)
  install(FILES ${location} DESTINATION ${folder})
endforeach()

# The DLLs the shipped files import, found where this build found them: Qt's, then the compiler's
# runtime. windows_dlls.cmake copies them in and fails the install when one is neither found nor a
# part of Windows, so a package never lacks a DLL it needs.
get_target_property(qt_core Qt6::Core IMPORTED_LOCATION_RELEASE)
if(NOT qt_core)
  get_target_property(qt_core Qt6::Core IMPORTED_LOCATION)
endif()
get_filename_component(qt_bin ${qt_core} DIRECTORY)
set(SERIMO_DLL_DIRS ${qt_bin})
foreach(dll libstdc++-6.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
    get_filename_component(dir ${path} DIRECTORY)
    get_filename_component(dir ${dir} REALPATH)
    list(APPEND SERIMO_DLL_DIRS ${dir})
  endif()
endforeach()
list(REMOVE_DUPLICATES SERIMO_DLL_DIRS)
set(SERIMO_DLL_DIRS ${SERIMO_DLL_DIRS} PARENT_SCOPE)
find_program(SERIMO_OBJDUMP NAMES ${CMAKE_OBJDUMP} x86_64-w64-mingw32-objdump objdump REQUIRED)
install(CODE "
  set(SERIMO_OBJDUMP \"${SERIMO_OBJDUMP}\")
  set(SERIMO_STRIP \"${CMAKE_STRIP}\")
  set(SERIMO_DLL_DIRS \"${SERIMO_DLL_DIRS}\")
  include(\"${CMAKE_CURRENT_SOURCE_DIR}/windows_dlls.cmake\")")

set(CPACK_PACKAGE_NAME Serimo)
set(CPACK_PACKAGE_VENDOR "The Serimo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Serial-port terminal and service tool for a serial 802.11 radio card")
set(CPACK_PACKAGE_FILE_NAME Serimo-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Serimo)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Serimo)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_GENERATOR "ZIP;NSIS")
set(CPACK_STRIP_FILES ON)
# Per machine, into Program Files; a second install replaces the first.
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# A 64-bit installer for a 64-bit program (Windows on ARM and Wine without 32-bit support run it too).
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_DISPLAY_NAME "Serimo ${PROJECT_VERSION}")
set(CPACK_NSIS_PACKAGE_NAME "Serimo ${PROJECT_VERSION}")
set(CPACK_NSIS_MUI_ICON ${icon_file})
set(CPACK_NSIS_MUI_UNIICON ${icon_file})
set(CPACK_NSIS_INSTALLED_ICON_NAME serimo.exe)
# The Start menu entry starts in the user's Documents, a folder the user can write (captures and
# .cfg files are saved where the program starts), not in the install folder.
set(CPACK_NSIS_CREATE_ICONS_EXTRA "
  SetShellVarContext current
  SetOutPath \\\"$DOCUMENTS\\\"
  SetShellVarContext all
  CreateShortCut \\\"$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Serimo.lnk\\\" \\\"$INSTDIR\\\\serimo.exe\\\"
  SetOutPath \\\"$INSTDIR\\\"")
set(CPACK_NSIS_DELETE_ICONS_EXTRA "
  Delete \\\"$SMPROGRAMS\\\\$MUI_TEMP\\\\Serimo.lnk\\\"")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/windows_cpack.cmake)
include(CPack)
