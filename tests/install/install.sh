#!/usr/bin/env bash
# The shelf as a reader's developers and driver writers get it: installed into a fresh prefix, then a
# host (examples/embed) and a driver (the driver guide's example) built against the installed package
# alone, once with CMake's find_package(Tavrin) and once with pkg-config, and run on the installed
# sample shelf with the installed programs.
#
#   tests/install/install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$(cd "${1:?usage: install.sh BUILD_DIR SOURCE_DIR}" && pwd)"
src="$(cd "${2:?usage: install.sh BUILD_DIR SOURCE_DIR}" && pwd)"
work="$build/tests/install-check"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# Nothing of the build tree may be reached: only the prefix.
export LD_LIBRARY_PATH=""
export PKG_CONFIG_PATH="" CMAKE_PREFIX_PATH=""

echo "== install"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"
lib="$(cd "$prefix" && ls -d lib*/libtavrin.so | head -1 | xargs dirname)"
[[ -n "$lib" ]] || fail "no libtavrin.so in the prefix"
for f in "$lib/libtavrin.so.0.9" "$lib/libtavrin-platform.so.0.9" "$lib/tavrin/drivers/Books.Dll" \
         "$lib/tavrin/drivers/EbdBook.dll" "$lib/tavrin/drivers/eBookDrv.dll" "$lib/tavrin/drivers/ZavikApi.dll" \
         "$lib/tavrin/drivers/ZavikApi.ini" "$lib/cmake/Tavrin/TavrinConfig.cmake" \
         "$lib/cmake/Tavrin/TavrinConfigVersion.cmake" "$lib/pkgconfig/tavrin.pc" "$lib/pkgconfig/tavrin-driver.pc" \
         include/tavrin/tavrin_ctrl.h include/tavrin/shelf_view.h include/tavrin/version.h include/tavrin/cbi.h \
         include/tavrin/platform/windows.h include/tavrin/platform/afxwin.h include/tavrin/platform/plat/core.h \
         bin/tavrin-host bin/tavrin-bookc bin/tavrin-reg bin/tavrin-epubpack \
         share/man/man1/tavrin-host.1 share/man/man1/tavrin-bookc.1 share/man/man1/tavrin-reg.1 \
         share/man/man1/tavrin-epubpack.1 share/doc/tavrin_shelf/LICENSE share/doc/tavrin_shelf/embedding.md \
         share/tavrin/sample-shelf/Tavrin.Sys; do
  [[ -e "$prefix/$f" ]] || fail "not installed: $f"
done
for f in windows.h afxwin.h commctrl.h win plat afx; do
  [[ ! -e "$prefix/include/$f" ]] || fail "the platform's $f is at the top of the include folder"
done
readelf -d "$prefix/$lib/libtavrin.so.0.9" | grep -q 'SONAME.*\[libtavrin.so.0.9\]' || fail "libtavrin soname"
version="$("$prefix/bin/tavrin-host" --version)"
[[ "$version" == "tavrin-host 0.9.0" ]] || fail "tavrin-host --version said: $version"
for tool in tavrin-bookc tavrin-reg tavrin-epubpack; do
  "$prefix/bin/$tool" --version | grep -qx "$tool 0.9.0" || fail "$tool --version"
done
# The public view compiles as C too.
echo '#include "tavrin/shelf_view.h"' | cc -std=c11 -Wall -Werror -fsyntax-only -x c \
  -I"$prefix/include" -I"$prefix/include/tavrin/platform" - || fail "tavrin/shelf_view.h as C"

echo "== build against the package with CMake"
cmake -S "$src/examples/embed" -B "$work/embed-cmake" -DCMAKE_PREFIX_PATH="$prefix" >"$work/embed-cmake.log"
cmake --build "$work/embed-cmake" >>"$work/embed-cmake.log" || { cat "$work/embed-cmake.log"; fail "embed with CMake"; }
mkdir -p "$work/driver-src"
cp "$src/tests/drivers/example_driver.c" "$work/driver-src/"
cat >"$work/driver-src/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(notes_driver LANGUAGES C)
find_package(Tavrin 0.9 REQUIRED)
add_library(notes MODULE example_driver.c)
target_link_libraries(notes PRIVATE Tavrin::driver_api)
set_target_properties(notes PROPERTIES C_VISIBILITY_PRESET hidden PREFIX "" OUTPUT_NAME Example SUFFIX ".dll")
install(TARGETS notes LIBRARY DESTINATION "${TAVRIN_DRIVER_DIR}")
CMAKE
cmake -S "$work/driver-src" -B "$work/driver-cmake" -DCMAKE_PREFIX_PATH="$prefix" >"$work/driver-cmake.log"
cmake --build "$work/driver-cmake" >>"$work/driver-cmake.log" || { cat "$work/driver-cmake.log"; fail "driver with CMake"; }
cmake --install "$work/driver-cmake" >>"$work/driver-cmake.log"
[[ -e "$prefix/$lib/tavrin/drivers/Example.dll" ]] || fail "the driver did not install into TAVRIN_DRIVER_DIR"

# The package's version check: 0.9 is accepted, 1.0 and 0.8 are not.
mkdir -p "$work/version-src"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(v NONE)\nfind_package(Tavrin ${WANT} REQUIRED)\n' \
  >"$work/version-src/CMakeLists.txt"
for want in 1.0 0.8; do
  if cmake -S "$work/version-src" -B "$work/version-$want" -DWANT=$want -DCMAKE_PREFIX_PATH="$prefix" \
       >"$work/version-$want.log" 2>&1; then
    fail "find_package(Tavrin $want) accepted version 0.9.0"
  fi
done

echo "== build against the package with pkg-config"
export PKG_CONFIG_PATH="$prefix/$lib/pkgconfig"
[[ "$(pkg-config --modversion tavrin)" == "0.9.0" ]] || fail "pkg-config --modversion tavrin"
c++ -std=c++20 "$src/examples/embed/embed.cpp" $(pkg-config --cflags --libs tavrin) \
  -Wl,-rpath,"$(pkg-config --variable=libdir tavrin)" -o "$work/embed-pc" || fail "embed with pkg-config"
driverdir="$(pkg-config --variable=driverdir tavrin-driver)"
[[ "$(cd "$driverdir" && pwd)" == "$(cd "$prefix/$lib/tavrin/drivers" && pwd)" ]] || fail "driverdir: $driverdir"
cc -std=c11 -shared -fPIC -fvisibility=hidden "$work/driver-src/example_driver.c" $(pkg-config --cflags tavrin-driver) \
  -o "$work/Example-pc.dll" || fail "driver with pkg-config"
nm -D --defined-only "$work/Example-pc.dll" | grep -q ' CBIOpenBook$' || fail "the driver exports no CBIOpenBook"

echo "== run on the installed sample shelf"
shelf="$prefix/share/tavrin/sample-shelf"
export TAVRIN_REGISTRY="$work/registry.db" TAVRIN_EBOOK_STORE="$work/ebooks" TAVRIN_USER_CATALOGS="$work/catalogs.dat"
# The installed host finds the format driver for the sample books in the installed driver folder.
"$prefix/bin/tavrin-host" --shelf "$shelf" add 65535 "$shelf"/*.ebd >"$work/add.log" 2>&1 || {
  cat "$work/add.log"; fail "the installed host could not register the sample books"; }
grep -q "$lib/tavrin/drivers/EbdBook.dll" <("$prefix/bin/tavrin-host" --shelf "$shelf" books) ||
  fail "the sample books are not served by the installed EbdBook.dll"
# A notes book, registered as a driver's installer does, served by the driver just built.
printf 'NOTES\nHarbour notes\nThe tide came in\nat noon\n----\nSecond page\n' >"$work/harbour.txt"
"$prefix/bin/tavrin-reg" set 'SOFTWARE\Velmoran\ZavikDic\HARBOUR\Book' Database "$work/harbour.txt"
"$prefix/bin/tavrin-reg" set 'SOFTWARE\Velmoran\ZavikDic\HARBOUR\Book' Driver "$prefix/$lib/tavrin/drivers/Example.dll"
for embed in "$work/embed-cmake/tavrin-embed" "$work/embed-pc"; do
  out="$("$embed" "$shelf" tide 2>&1)" || { echo "$out"; fail "$embed exited $?"; }
  for want in "Bookshelf \[root\]" "Harbour notes \[book" "page 0: The tide came in" "A Journey Down the River \[book" \
              "message: book 0x" "found: "; do
    grep -q "$want" <<<"$out" || { echo "$out"; fail "$embed: no '$want'"; }
  done
done
# The pkg-config driver build works as well: the same book through it.
cp "$work/Example-pc.dll" "$prefix/$lib/tavrin/drivers/Example.dll"
"$work/embed-pc" "$shelf" | grep -q "page 0: The tide came in" || fail "the pkg-config driver"
echo "install test: ok"
