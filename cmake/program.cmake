# Veltrane.exe, in the top folder of the win32 tree with adsl.ico beside it.
add_executable(Veltrane WIN32 ${CMAKE_SOURCE_DIR}/app/main_win32.cpp $<TARGET_OBJECTS:veltrane_res>)
target_link_libraries(Veltrane PRIVATE veltrane_win32)
set_target_properties(Veltrane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(Veltrane veltrane_tray_icon)
# What ships carries no symbol table and none of the code it never calls.
if(NOT MSVC)
    target_link_options(Veltrane PRIVATE $<$<CONFIG:Release>:-s> $<$<CONFIG:Release>:-Wl,--gc-sections>)
endif()
