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
target_link_libraries(veltrane_setup PRIVATE ole32 oleaut32 uuid)
if(NOT MSVC)
    target_link_options(veltrane_setup PRIVATE -s -Wl,--gc-sections)
endif()
# The same plugin with the package test's stand-ins for elevation and the shell's start (see the
# plugin); it only ever goes into the test's own copy of the setup program, never into a package.
add_library(veltrane_setup_seam SHARED ${CMAKE_SOURCE_DIR}/setup/setup_plugin_win32.cpp)
target_link_libraries(veltrane_setup_seam PRIVATE veltrane_app ole32 oleaut32 uuid)
target_compile_definitions(veltrane_setup_seam PRIVATE VELTRANE_SETUP_SEAM)
set_target_properties(veltrane_setup_seam PROPERTIES PREFIX "" OUTPUT_NAME veltrane_setup
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/setup-plugin-seam)
if(NOT MSVC)
    target_link_options(veltrane_setup_seam PRIVATE -s -Wl,--gc-sections)
endif()

# Signing: given a certificate and its key, Veltrane.exe, the plugin, the uninstaller and the setup
# program are signed with osslsigncode while the package is made (setup/sign-staged.cmake), with a
# time stamp when a server is named. The environment variables of the same names serve when the cache
# variables are empty, read when the package is made. Without a certificate nothing is signed.
set(VELTRANE_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate (PEM or DER); empty: the package is not signed")
set(VELTRANE_SIGN_KEY "" CACHE FILEPATH "Private key of VELTRANE_SIGN_CERT (PEM or DER, not encrypted)")
set(VELTRANE_SIGN_TIMESTAMP "" CACHE STRING "Time-stamp server (RFC 3161 URL) for the signatures; empty: none")

install(TARGETS Veltrane RUNTIME DESTINATION .)
install(FILES ${CMAKE_SOURCE_DIR}/res/adsl.ico DESTINATION .)

set(CPACK_GENERATOR "NSIS;ZIP")
set(CPACK_PACKAGE_NAME "Veltrane")
set(CPACK_PACKAGE_VENDOR "Veltrane 项目组")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Veltrane 宽带拨号")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "Veltrane-${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Veltrane")
# The packages land in CPack's package folder: the build tree, or the folder given with cpack -B.
# The setup program's name gets "-setup" (setup/package-per-generator.cmake).
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_SOURCE_DIR}/setup/package-per-generator.cmake")
set(CPACK_NSIS_PACKAGE_NAME "Veltrane")
set(CPACK_NSIS_DISPLAY_NAME "Veltrane")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# Read by setup/NSIS.template.in (CPack hands the template only CPACK_ variables).
set(CPACK_VELTRANE_SETUP_DIR "${CMAKE_SOURCE_DIR}/setup")
set(CPACK_VELTRANE_PLUGIN_DIR "${CMAKE_BINARY_DIR}/setup-plugin")
set(CPACK_VELTRANE_SIGN_CERT "${VELTRANE_SIGN_CERT}")
set(CPACK_VELTRANE_SIGN_KEY "${VELTRANE_SIGN_KEY}")
set(CPACK_VELTRANE_SIGN_TIMESTAMP "${VELTRANE_SIGN_TIMESTAMP}")
set(CPACK_VELTRANE_CMAKE "${CMAKE_COMMAND}")
# Signs the staged files, stages the plugin and writes the setup script's signing commands.
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/setup/sign-staged.cmake")
set(CPACK_VELTRANE_ICON "${CMAKE_SOURCE_DIR}/res/veltrane.ico")
list(APPEND CMAKE_MODULE_PATH "${CMAKE_SOURCE_DIR}/setup")
include(CPack)

add_test(NAME Package.ZipHoldsOnlyTheProgramAndItsIcon
         COMMAND ${CMAKE_COMMAND} -DZIP=${CMAKE_BINARY_DIR}/Veltrane-${PROJECT_VERSION}.zip
                 -DTOP=Veltrane-${PROJECT_VERSION} -DEXE=$<TARGET_FILE:Veltrane> -P ${CMAKE_SOURCE_DIR}/setup/check-zip.cmake)
# The package made again with a throw-away certificate: every signature verified; and none without one.
add_test(NAME Package.SignedOnlyWithACertificateAndEverySignatureVerifies
         COMMAND sh ${CMAKE_SOURCE_DIR}/setup/check-signing.sh ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
set_tests_properties(Package.SignedOnlyWithACertificateAndEverySignatureVerifies
                     PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE LABELS e2e)
