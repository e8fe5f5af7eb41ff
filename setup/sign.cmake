# Signs one Windows file in place with osslsigncode (Authenticode, SHA-256), with a time stamp when a
# server is given. Fails, leaving the file as it was, when the signing fails.
#   cmake -DFILE=<exe or dll> -DCERT=<certificate> -DKEY=<key> [-DTIMESTAMP=<url>] -P sign.cmake
# Also included by sign-staged.cmake, which calls veltrane_sign() itself.
function(veltrane_sign file cert key timestamp)
    find_program(OSSLSIGNCODE osslsigncode)
    if(NOT OSSLSIGNCODE)
        message(FATAL_ERROR "a signing certificate is given, but osslsigncode is not installed")
    endif()
    set(stamp)
    if(timestamp)
        set(stamp -ts ${timestamp})
    endif()
    file(REMOVE "${file}.signed")
    execute_process(COMMAND ${OSSLSIGNCODE} sign -certs ${cert} -key ${key} -h sha256 -n Veltrane ${stamp}
                            -in ${file} -out ${file}.signed
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        file(REMOVE "${file}.signed")
        message(FATAL_ERROR "signing ${file} failed: ${output}")
    endif()
    file(RENAME "${file}.signed" "${file}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE AND DEFINED FILE)
    veltrane_sign("${FILE}" "${CERT}" "${KEY}" "${TIMESTAMP}")
endif()
