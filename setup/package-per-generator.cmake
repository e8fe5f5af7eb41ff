# Run by CPack once per generator: the setup program is Veltrane-<version>-setup.exe, the zip keeps
# Veltrane-<version>.zip (with a folder of that name inside).
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-setup")
endif()
