#!/bin/sh
# Builds of one commit give the same bytes. The sources are copied into another folder, with
# the file times of the copy, and built there once more as `make package` and `make windows`
# built them (without the tests): the Debian package, the programs in it, pelmar-cli.exe, its
# zip and its installer must be those of BUILD and WIN_BUILD, byte for byte.
# Usage: cmake/reproducible-check.sh BUILD WIN_BUILD REPRO   (from the source folder, after
# make package and make windows; SOURCE_DATE_EPOCH as the Makefile sets it)
set -eu
build=$1
win=$2
repro=$3
jobs=$(nproc 2>/dev/null || echo 2)
copy=$(mkdir -p "$repro" && cd "$repro" && pwd)/source
rm -rf "$copy"
mkdir -p "$copy"
git ls-files -z --cached --others --exclude-standard >"$repro/files"
tar -cf - --null -T "$repro/files" | tar -xmf - -C "$copy"
echo "sources copied to $copy"

# The same relative places as the first builds: build and build-win inside the sources.
cmake -S "$copy" -B "$copy/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELMAR_BUILD_TESTS=OFF \
  -DPELMAR_BUILD_BENCH=OFF >"$repro/linux.log" 2>&1 || { tail -n 30 "$repro/linux.log"; exit 1; }
cmake --build "$copy/build" -j"$jobs" >>"$repro/linux.log" 2>&1 || { tail -n 30 "$repro/linux.log"; exit 1; }
(cd "$copy/build" && cpack -G DEB) >>"$repro/linux.log" 2>&1 || { tail -n 30 "$repro/linux.log"; exit 1; }

make -C "$copy" windows-configure WIN_BUILD=build-win WIN_TESTS_OPTION=-DPELMAR_BUILD_TESTS=OFF \
  >"$repro/windows.log" 2>&1 || { tail -n 30 "$repro/windows.log"; exit 1; }
cmake --build "$copy/build-win" -j"$jobs" --target zip installer >>"$repro/windows.log" 2>&1 ||
  { tail -n 30 "$repro/windows.log"; exit 1; }

status=0
compare() {
  if cmp -s "$1" "$2"; then
    echo "same bytes: $(basename "$1")"
  else
    echo "DIFFERENT: $1 and $2"
    status=1
  fi
}
deb=$(cd "$build" && ls pelmar_*.deb)
compare "$build/$deb" "$copy/build/$deb"
compare "$build/pelmar" "$copy/build/pelmar"
compare "$build/pelmar-cli" "$copy/build/pelmar-cli"
for f in pelmar-cli.exe $(cd "$win" && ls pelmar-cli-*-win64.zip pelmar-cli-*-win64-setup.exe); do
  compare "$win/$f" "$copy/build-win/$f"
done
if [ "$status" -ne 0 ]; then
  # Which files of the package differ.
  mkdir -p "$repro/first" "$repro/second"
  dpkg-deb -x "$build/$deb" "$repro/first" && dpkg-deb -x "$copy/build/$deb" "$repro/second"
  diff -r -q "$repro/first" "$repro/second" || true
  exit 1
fi
echo "two builds of the same sources in different folders at different times gave the same bytes"
