#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and builds two tiny hosts
# against it, the way a host project outside this repository would.
#   installed-host.sh BUILD_DIR THIS_DIR VERSION TOOL...
set -euo pipefail
build=$1 here=$2 version=$3
shift 3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() { echo "installed-host: $*" >&2; exit 1; }
host_flags=${VELLUM_HOST_FLAGS:-} # e.g. the sanitizers the library was built with

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in include/vellum/vellum.h include/vellum/DbSession.h lib/libvellum.so \
            lib/pkgconfig/vellum.pc lib/cmake/Vellum/VellumConfig.cmake bin/images/add.gif; do
  [[ -e $prefix/$file ]] || fail "not installed: $file"
done
for tool in "$@"; do
  [[ -x $prefix/bin/$tool ]] || fail "not installed: bin/$tool"
done
soname=$(objdump -p "$prefix/lib/libvellum.so" | awk '$1 == "SONAME" { print $2 }')
[[ $soname == "libvellum.so.${version%%.*}" ]] || fail "soname is '$soname'"
[[ -f $prefix/lib/libvellum.so.$version ]] || fail "no libvellum.so.$version"

# A C++ host through the CMake package: it opens its own CDbSession.
cmake -S "$here/tiny-host" -B "$work/cmake-host" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS="$host_flags" -DCMAKE_EXE_LINKER_FLAGS="$host_flags" \
  >/dev/null
cmake --build "$work/cmake-host" >/dev/null
got=$("$work/cmake-host/tiny-host" "$work/host.db")
[[ $got == "$version SQLite" ]] || fail "C++ host printed '$got'"

# A C host through pkg-config.
flags=$(PKG_CONFIG_PATH=$prefix/lib/pkgconfig pkg-config --cflags --libs vellum)
# shellcheck disable=SC2086 # the flags are words
cc -std=c99 -Wall -Werror $host_flags "$here/tiny-host.c" $flags -o "$work/c-host"
got=$(LD_LIBRARY_PATH=$prefix/lib "$work/c-host")
[[ $got == "$version 0" ]] || fail "C host printed '$got'"
echo "installed-host: both hosts ran against $prefix"
