#!/usr/bin/env bash
# Makes the Debian package with CPack, checks what it holds and what it depends
# on, unpacks it into a scratch root and runs its zelhost demo from there.
# debian_package.sh BUILD_DIR SOURCE_DIR LIBDIR
set -euo pipefail
build=$1 source=$2 libdir=$3
. "$source/tests/packaging/common.sh"
make_work

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$work/cpack.log")"
deb=$(find "$work/package" -maxdepth 1 -name '*.deb' | head -1)
[ -n "$deb" ] || fail "cpack made no .deb: $(cat "$work/cpack.log")"

dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
lib=./usr/$libdir
for path in ./usr/bin/zelhost "$lib/zeldevice/libLDBConvert.so" "$lib/zeldevice/libZELPlayerDB.so" \
    "$lib/zeldevice/libResourceDll.so" "$lib/libZELDeviceAgent.so" "$lib/libZELDevice.so" "$lib/libzelcompat.so" \
    ./usr/share/man/man1/zelhost.1.gz ./usr/share/bash-completion/completions/zelhost \
    ./usr/include/ZELDevice/ZELDevice.h "$lib/pkgconfig/zeldevice.pc" "$lib/cmake/ZELDevice/ZELDeviceConfig.cmake"; do
    grep -qxF "$path" "$work/contents" || fail "the package has no $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libtag libjpeg libpng; do
    [[ $depends == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done

dpkg -x "$deb" "$work/root"
check_runpaths "$work/root"
check_demo "$build" "$work/root/usr/bin/zelhost"
echo "$(basename "$deb"): contents, dependencies and the unpacked zelhost demo: ok"
