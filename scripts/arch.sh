# Sets TEST_ARCH: i686 where this machine runs 32-bit code (wine32), else x86_64 (wine64).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TEST_ARCH=i686
else
    TEST_ARCH=x86_64
fi
