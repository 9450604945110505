#!/usr/bin/env bash
# Installs the build into a temporary prefix, moves the prefix elsewhere, and
# uses it as a user would: a program found with find_package(ZELDevice), one
# built with pkg-config, the README's example, and the installed zelhost demo,
# none of them able to reach the build folder. Then a program built against the
# build tree's package.
# install_and_consume.sh BUILD_DIR SOURCE_DIR CXX_COMPILER LIBDIR VERSION
set -euo pipefail
build=$1 source=$2 cxx=$3 libdir=$4 version=$5
. "$source/tests/packaging/common.sh"
make_work

cmake --install "$build" --prefix "$work/installed" >/dev/null
mv "$work/installed" "$work/prefix"
prefix=$work/prefix

# What the prefix holds, and what it must not.
for path in bin/zelhost "$libdir/libZELDevice.so" "$libdir/libzelcompat.so" "$libdir/libZELDeviceAgent.so" \
    "$libdir/zeldevice/libLDBConvert.so" "$libdir/zeldevice/libZELPlayerDB.so" "$libdir/zeldevice/libResourceDll.so" \
    include/ZELDevice/ZELDevice.h include/ZELDevice/abi/Records.h include/zelcompat/zelcompat.h \
    "$libdir/cmake/ZELDevice/ZELDeviceConfig.cmake" "$libdir/cmake/ZELDevice/ZELDeviceConfigVersion.cmake" \
    "$libdir/pkgconfig/zeldevice.pc" share/man/man1/zelhost.1.gz share/bash-completion/completions/zelhost \
    share/zeldevice; do
    [ -e "$prefix/$path" ] || fail "the installation has no $path"
done
[ ! -e "$prefix/include/ZELDevice/internal" ] || fail "the private headers were installed"
check_runpaths "$prefix"

player=$work/player
mkdir -p "$player"
printf "not really a picture" >"$player/cover.jpg"

# find_package from the moved prefix.
cmake -S "$source/tests/packaging/consumer" -B "$work/by-cmake" -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_PREFIX_PATH="$prefix" >"$work/cmake.log" 2>&1 || fail "configure with find_package: $(cat "$work/cmake.log")"
cmake --build "$work/by-cmake" >"$work/build.log" 2>&1 || fail "build with find_package: $(cat "$work/build.log")"
# The installed module folder comes before the executable's folder.
echo "not a module" >"$work/by-cmake/libLDBConvert.so"
run_isolated "$build" "$work/by-cmake.txt" "$work/by-cmake/consumer" "$player" ||
    fail "the find_package consumer failed: $(cat "$work/by-cmake.txt" "$work/by-cmake.txt.err")"

# pkg-config, as the README shows it.
export PKG_CONFIG_PATH="$prefix/$libdir/pkgconfig"
[ "$(pkg-config --modversion zeldevice)" = "$version" ] || fail "pkg-config reports $(pkg-config --modversion zeldevice)"
# shellcheck disable=SC2046
"$cxx" -o "$work/by-pkg-config" "$source/tests/packaging/consumer/consumer.cpp" \
    $(pkg-config --cflags --libs zeldevice) -Wl,-rpath,"$(pkg-config --variable=libdir zeldevice)" ||
    fail "build with pkg-config"
run_isolated "$build" "$work/by-pkg-config.txt" "$work/by-pkg-config" "$player" ||
    fail "the pkg-config consumer failed: $(cat "$work/by-pkg-config.txt" "$work/by-pkg-config.txt.err")"

# The program the README shows under "Using the library", built as it says.
awk '/^## Using the library/ { section = 1 } section && /^```cpp/ { code = 1; next } code && /^```/ { exit } code' \
    "$source/README.md" >"$work/readme.cpp"
[ -s "$work/readme.cpp" ] || fail "no C++ example in the README's 'Using the library'"
# shellcheck disable=SC2046
"$cxx" -o "$work/readme" "$work/readme.cpp" $(pkg-config --cflags --libs zeldevice) \
    -Wl,-rpath,"$(pkg-config --variable=libdir zeldevice)" || fail "the README's example does not build"
run_isolated "$build" "$work/readme.txt" "$work/readme" "$player" || fail "the README's example failed"
grep -qx "cover.jpg" "$work/readme.txt" || fail "the README's example did not list the player: $(cat "$work/readme.txt")"

# Both consumers found the player and the installed companions and data.
real_prefix=$(cd "$prefix" && pwd -P)
for out in "$work/by-cmake.txt" "$work/by-pkg-config.txt"; do
    for line in "  Music/" "  cover.jpg" "module LDBConvert.dll: $real_prefix/$libdir/zeldevice/libLDBConvert.so" \
        "data folder: $real_prefix/share/zeldevice" "resource library: loaded"; do
        grep -qxF "$line" "$out" || fail "no line '$line' in the output of $(basename "$out" .txt): $(cat "$out")"
    done
done

# The installed zelhost, with no build folder in sight.
[ "$(env -i "$prefix/bin/zelhost" --version)" = "zelhost $version" ] || fail "zelhost --version"
check_demo "$build" "$prefix/bin/zelhost"

# find_package from the build tree (modules from the build's bin folder).
cmake -S "$source/tests/packaging/consumer" -B "$work/by-build-tree" -DCMAKE_CXX_COMPILER="$cxx" \
    -DZELDevice_DIR="$build" >"$work/cmake2.log" 2>&1 || fail "configure against the build tree: $(cat "$work/cmake2.log")"
cmake --build "$work/by-build-tree" >"$work/build2.log" 2>&1 || fail "build against the build tree: $(cat "$work/build2.log")"
ZEL_MODULE_PATH="$build/bin" "$work/by-build-tree/consumer" "$player" >"$work/by-build-tree.txt" 2>&1 ||
    fail "the build-tree consumer failed: $(cat "$work/by-build-tree.txt")"
grep -qxF "resource library: loaded" "$work/by-build-tree.txt" || fail "the build-tree consumer found no resources"
echo "install, find_package, pkg-config and the installed zelhost: ok"
