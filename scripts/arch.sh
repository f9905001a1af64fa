# Sourced by the scripts (with root set): reads the Wine paths, says where the
# 32-bit programs run, and gives configure() and build().
while IFS='=' read -r name value; do
    case $name in
        TOBURE_*) [ -n "${!name:-}" ] || export "$name=$value" ;;
    esac
done < "$(dirname "${BASH_SOURCE[0]}")/wine-paths"

# How the i686 build's tests run (TOBURE_I686_TESTS overrides): native (every test,
# 32-bit Wine), emulated (the device-free ones under qemu-i386; the machine cannot
# execute 32-bit code) or compiled (neither is possible).
i686_lane() {
    if [ -n "${TOBURE_I686_TESTS:-}" ]; then
        echo "$TOBURE_I686_TESTS"
    elif "$TOBURE_WINE32" --version >/dev/null 2>&1; then
        echo native
    elif command -v "$TOBURE_QEMU_I386" >/dev/null; then
        echo emulated
    else
        echo compiled
    fi
}

configure() { # arch folder tests runs-programs [cmake options]
    cmake -S "$root" -B "$2" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$1.cmake" \
          -DCMAKE_BUILD_TYPE=Release -DTOBURE_TESTS="$3" -DTOBURE_RUN_PROGRAMS="$4" "${@:5}" >/dev/null
}

build() { # arch folder tests runs-programs [cmake options]
    configure "$@"
    cmake --build "$2"
}
