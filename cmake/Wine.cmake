# Tests run the Windows programs under Wine, with a prefix of their own in the build folder.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(TOBURE_WINE /usr/lib/wine/wine64)
    set(TOBURE_WINESERVER /usr/lib/wine/wineserver64)
else()
    set(TOBURE_WINE /usr/lib/wine/wine)
    set(TOBURE_WINESERVER /usr/lib/wine/wineserver32)
endif()
set(TOBURE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
    env TOBURE_WINE=${TOBURE_WINE} TOBURE_WINESERVER=${TOBURE_WINESERVER}
        TOBURE_WINEPREFIX=${TOBURE_WINEPREFIX} ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh)
