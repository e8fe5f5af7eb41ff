# What a subscriber downloads: `cmake --build --preset win32 --target package` makes
#   Veltrane-<version>-setup.exe   the setup program (NSIS, template setup/NSIS.template.in)
#   Veltrane-<version>.zip         the same two files for use without installing
# in the top folder of the tree. The version is the project()'s, which also feeds the version record
# (res/version.h.in). Only Veltrane.exe and adsl.ico are installed: the stand-ins of tests/doubles and
# the test programs have no install rules and never reach a package.

# The setup program's plugin that asks a running copy to quit (setup/setup_plugin_win32.cpp). It is
# built into a folder of its own, which the setup script adds to its plugin folders.
add_library(veltrane_setup SHARED ${CMAKE_SOURCE_DIR}/setup/setup_plugin_win32.cpp)
target_link_libraries(veltrane_setup PRIVATE veltrane_app)
set_target_properties(veltrane_setup PROPERTIES PREFIX "" OUTPUT_NAME veltrane_setup
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/setup-plugin)
if(NOT MSVC)
    target_link_options(veltrane_setup PRIVATE -s -Wl,--gc-sections)
endif()

install(TARGETS Veltrane RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/res/adsl.ico DESTINATION .)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME "Veltrane")
set(CPACK_PACKAGE_VENDOR "Veltrane 项目组")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Veltrane 宽带拨号")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Veltrane-${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Veltrane")
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}")
# The setup program's name gets "-setup" (setup/package-per-generator.cmake).
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_SOURCE_DIR}/setup/package-per-generator.cmake")
set(CPACK_NSIS_PACKAGE_NAME "Veltrane")
set(CPACK_NSIS_DISPLAY_NAME "Veltrane")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# Read by setup/NSIS.template.in (CPack hands the template only CPACK_ variables).
set(CPACK_VELTRANE_SETUP_DIR "${CMAKE_SOURCE_DIR}/setup")
set(CPACK_VELTRANE_PLUGIN_DIR "${CMAKE_BINARY_DIR}/setup-plugin")
set(CPACK_VELTRANE_ICON "${CMAKE_SOURCE_DIR}/res/veltrane.ico")
list(APPEND CMAKE_MODULE_PATH "${CMAKE_SOURCE_DIR}/setup")
include(CPack)

add_test(NAME Package.ZipHoldsOnlyTheProgramAndItsIcon
         COMMAND ${CMAKE_COMMAND} -DZIP=${CMAKE_BINARY_DIR}/Veltrane-${PROJECT_VERSION}.zip
                 -DTOP=Veltrane-${PROJECT_VERSION} -DEXE=$<TARGET_FILE:Veltrane> -P ${CMAKE_SOURCE_DIR}/setup/check-zip.cmake)
