# 32-bit Wine under qemu-i386, for machines that cannot execute 32-bit code.
# Wine re-executes itself from the folder of its own binary under the name in
# argv[0], so a copy of the loader runs from a private folder that mirrors the
# loader's own, beside a wrapper named "wine" that starts qemu with argv[0]
# naming the wrapper: every re-exec and child process comes back through it.
# A wider guest address space than 0x81000000 makes each start probe memory for
# tens of seconds; a narrower one cannot map Wine's shared user data.
find_program(TOBURE_QEMU_I386_PROGRAM ${TOBURE_QEMU_I386} REQUIRED)
cmake_path(GET TOBURE_WINE32 PARENT_PATH WINE32_DIR)
cmake_path(GET WINE32_DIR PARENT_PATH WINE32_LIB_DIR)
cmake_path(GET WINE32_LIB_DIR PARENT_PATH WINE32_PREFIX_DIR)
set(QEMU_WINE_DIR ${CMAKE_BINARY_DIR}/qemu-wine)
file(MAKE_DIRECTORY ${QEMU_WINE_DIR}/lib/wine ${QEMU_WINE_DIR}/lib/i386-linux-gnu
    ${QEMU_WINE_DIR}/lib/x86_64-linux-gnu ${QEMU_WINE_DIR}/share)
foreach(folder lib/i386-linux-gnu/wine lib/x86_64-linux-gnu/wine share/wine)
    file(REMOVE ${QEMU_WINE_DIR}/${folder})
    file(CREATE_LINK ${WINE32_PREFIX_DIR}/${folder} ${QEMU_WINE_DIR}/${folder} SYMBOLIC)
endforeach()
file(COPY_FILE ${TOBURE_WINE32} ${QEMU_WINE_DIR}/lib/wine/wine.i386 ONLY_IF_DIFFERENT)
file(CONFIGURE OUTPUT ${QEMU_WINE_DIR}/lib/wine/wine @ONLY CONTENT [[#!/bin/sh
# The 32-bit Wine loader under qemu-i386, serving a win32 prefix from the 64-bit wineserver.
export WINEARCH=win32 WINESERVER=@TOBURE_WINESERVER64@ QEMU_RESERVED_VA=0x81000000
# Wine's helper processes crash now and then under emulation: no core files from them.
ulimit -c 0
exec @TOBURE_QEMU_I386_PROGRAM@ -0 "$0" "${0%/*}/wine.i386" "$@"
]])
file(CHMOD ${QEMU_WINE_DIR}/lib/wine/wine PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(TOBURE_WINE ${QEMU_WINE_DIR}/lib/wine/wine)
set(TOBURE_WINESERVER ${TOBURE_WINESERVER64})
