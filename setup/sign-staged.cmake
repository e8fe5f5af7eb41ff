# Run by CPack for each package after the files are staged (CPACK_PRE_BUILD_SCRIPTS). When a signing
# certificate is given (the cache variable VELTRANE_SIGN_CERT, or else the environment variable), it
# signs the staged Veltrane.exe and the plugin that the setup program will carry, and writes the setup
# script's !finalize and !uninstfinalize, so that makensis signs the setup program and the uninstaller
# it builds. Without one, the plugin is staged as built and the include file stays empty.
include(${CMAKE_CURRENT_LIST_DIR}/sign.cmake)

foreach(name CERT KEY TIMESTAMP)
    set(${name} "${CPACK_VELTRANE_SIGN_${name}}")
    if(NOT ${name})
        set(${name} "$ENV{VELTRANE_SIGN_${name}}")
    endif()
endforeach()
if(CERT AND NOT KEY)
    message(FATAL_ERROR "VELTRANE_SIGN_CERT is given without VELTRANE_SIGN_KEY")
endif()
foreach(path CERT KEY)
    if(${path} AND NOT EXISTS "${${path}}")
        message(FATAL_ERROR "VELTRANE_SIGN_${path}: no such file: ${${path}}")
    endif()
endforeach()

set(plugin_dir "${CPACK_TOPLEVEL_DIRECTORY}/plugin")
file(REMOVE_RECURSE "${plugin_dir}")
file(COPY "${CPACK_VELTRANE_PLUGIN_DIR}/veltrane_setup.dll" DESTINATION "${plugin_dir}")
set(finalize "")
if(CERT)
    veltrane_sign("${CPACK_TEMPORARY_DIRECTORY}/Veltrane.exe" "${CERT}" "${KEY}" "${TIMESTAMP}")
    veltrane_sign("${plugin_dir}/veltrane_setup.dll" "${CERT}" "${KEY}" "${TIMESTAMP}")
    set(command "\"${CPACK_VELTRANE_CMAKE}\" \"-DFILE=%1\" \"-DCERT=${CERT}\" \"-DKEY=${KEY}\" \"-DTIMESTAMP=${TIMESTAMP}\" -P \"${CMAKE_CURRENT_LIST_DIR}/sign.cmake\"")
    string(APPEND finalize "!finalize '${command}' = 0\n!uninstfinalize '${command}' = 0\n")
endif()
file(WRITE "${CPACK_TOPLEVEL_DIRECTORY}/sign.nsh" "; Written by setup/sign-staged.cmake.\n${finalize}")
