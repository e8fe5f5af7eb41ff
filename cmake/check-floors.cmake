# Fails when a file of a code folder includes a header from a floor above its own or from a folder beside
# it. The floors, lowest first: base; services, skin and tray; app; setup (the setup program's plugin).
# res/ holds the resource identifiers and may be included from any floor.
#   cmake -DSOURCE_DIR=<source tree> -P check-floors.cmake
set(floor_base 0)
set(floor_services 1)
set(floor_skin 1)
set(floor_tray 1)
set(floor_app 2)
set(floor_setup 3)

set(climbs "")
foreach(folder base services skin tray app setup)
    file(GLOB files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([^\"/]+)/.*$" "\\1" target "${line}")
            if(target STREQUAL folder OR target STREQUAL "res")
                continue()
            endif()
            if(NOT DEFINED floor_${target} OR NOT floor_${target} LESS floor_${folder})
                file(RELATIVE_PATH name ${SOURCE_DIR} ${file})
                string(STRIP "${line}" line)
                string(APPEND climbs "\n  ${name}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(climbs)
    message(FATAL_ERROR "Includes that climb a floor or cross to a folder beside their own "
                        "(floors: base; services, skin, tray; app; setup):${climbs}")
endif()
