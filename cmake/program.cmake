# The application manifest, embedded by this one rule into Veltrane.exe and into every Windows test
# program and benchmark that makes windows, so that the tests run on the controls subscribers see
# (version 6 of the common controls, themed).
# Its assembly version is the project's, like the version record's.
configure_file(${CMAKE_SOURCE_DIR}/res/veltrane.manifest.in ${CMAKE_BINARY_DIR}/res/veltrane.manifest @ONLY)
add_library(veltrane_manifest OBJECT ${CMAKE_SOURCE_DIR}/res/manifest.rc)
target_include_directories(veltrane_manifest PRIVATE ${CMAKE_BINARY_DIR}/res)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/res/manifest.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_BINARY_DIR}/res/veltrane.manifest)
function(veltrane_use_manifest target)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:veltrane_manifest>)
endfunction()

# Veltrane.exe, in the top folder of the win32 tree with adsl.ico beside it.
add_executable(Veltrane WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp $<TARGET_OBJECTS:veltrane_res>)
target_link_libraries(Veltrane PRIVATE veltrane_app veltrane_skin)
veltrane_use_manifest(Veltrane)
set_target_properties(Veltrane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(Veltrane veltrane_tray_icon)
# What ships carries no symbol table and none of the code it never calls.
if(NOT MSVC)
    target_link_options(Veltrane PRIVATE $<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-Wl,--gc-sections>)
endif()
