# Sets TEST_ARCH: i686 where this machine runs 32-bit code (wine32), else x86_64 (wine64),
# and gives build() to the scripts that source it (with root set).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TEST_ARCH=i686
else
    TEST_ARCH=x86_64
fi

build() { # arch folder tests runs-programs
    cmake -S "$root" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$1.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DTOBURE_TESTS="$3" -DTOBURE_RUN_PROGRAMS="$4" >/dev/null
    cmake --build "$2"
}
