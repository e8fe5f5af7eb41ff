# Windows-side executables run under Wine, in a private prefix inside this build tree.
set(VELTRANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Private Wine prefix for tests")
configure_file(${CMAKE_SOURCE_DIR}/cmake/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/wine-run.sh")
# The properties of a test that runs in the tree's prefix. Those tests run one after another, a chain as
# long as the rest beside it: they go first whenever one of CTest's slots frees, so that the chain never
# waits behind the cases that run in prefixes of their own (a cost given here outranks the one CTest
# learns from earlier runs).
set(VELTRANE_SHARED_PREFIX RESOURCE_LOCK wineprefix COST 1000)
