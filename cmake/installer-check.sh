#!/bin/sh
# The installer of pelmar-cli as a Windows user meets it, under Wine in a fresh prefix of its
# own: installed silently into the default folder, the program found through the PATH entry
# it made and converting a price file saved as UTF-16 ("Unicode Text": tabs, CR LF, a
# byte-order mark) into the same bytes as the Linux build converts its UTF-8 twin, then
# uninstalled silently, after which no file and no registry entry of Pelmar is left.
# Usage: cmake/installer-check.sh WIN_BUILD LINUX_PELMAR_CLI   (from the source folder)
set -eu
win=$(cd "$1" && pwd)
linux_cli=$(realpath "$2")
setup=$(ls -t "$win"/pelmar-cli-*-win64-setup.exe | head -n 1)
version=$(basename "$setup" | sed 's/^pelmar-cli-\(.*\)-win64-setup\.exe$/\1/')
prefix=$win/wine-setup
work=$win/setup-check
run="$(pwd)/cmake/wine-run.sh $prefix"
rm -rf "$prefix" "$prefix.log" "$work"
mkdir -p "$work/db-linux" "$work/db-wine" "$work/config"

fail() {
  echo "installer check: $*"
  exit 1
}
# Every file of the prefix's C: drive, and the registry entries that name Pelmar.
snapshot() {
  $run --wait
  (cd "$prefix/drive_c" && find . | LC_ALL=C sort) >"$work/$1.files"
  grep -i -h "pelmar" "$prefix"/*.reg >"$work/$1.registry" || true
}

# A user's PATH of their own, with a variable in it: the uninstall must give it back unchanged.
user_path='C:\Tools;%USERPROFILE%\bin'
$run reg add 'HKCU\Environment' /v Path /t REG_EXPAND_SZ /d "$user_path" /f >/dev/null
user_path_value() {
  $run reg query 'HKCU\Environment' /v Path | tr -d '\r' | sed -n 's/^ *Path *REG_EXPAND_SZ *//p'
}
[ "$(user_path_value)" = "$user_path" ] || fail "the user's PATH could not be set up"
snapshot before

$run "$setup" /S
$run --wait
instdir=$(find "$prefix/drive_c/users" -path "*/AppData/Local/Programs/Pelmar" -type d | head -n 1)
[ -n "$instdir" ] || fail "nothing installed in the user's Programs folder"
for f in pelmar-cli.exe README.txt pelmar-help.html copyright.txt uninstall.exe; do
  [ -f "$instdir/$f" ] || fail "missing from $instdir: $f"
done
startmenu=$(find "$prefix/drive_c/users" -path "*/Start Menu/Programs/Pelmar" -type d | head -n 1)
[ -n "$startmenu" ] && [ -f "$startmenu/Pelmar Help.lnk" ] || fail "no Start menu entry of the help page"
$run reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Pelmar' >/dev/null 2>&1 ||
  fail "no entry in the list of installed programs"
user_path_value | grep -qi "^C:\\\\Tools;%USERPROFILE%\\\\bin;C:\\\\users\\\\.*\\\\AppData\\\\Local\\\\Programs\\\\Pelmar\$" ||
  fail "the folder is not added to the user's PATH: $(user_path_value)"
echo "installed silently into $instdir"

# Found through PATH, in a new command prompt.
(cd "$work" && $run cmd /c "pelmar-cli --version") | tr -d '\r' | grep -qx "pelmar-cli $version" ||
  fail "pelmar-cli $version is not found through PATH"

# A price file saved as UTF-16 converts as its UTF-8 twin does on Linux.
sed 's/,/\t/g' examples/harbor-mills.csv >"$work/harbor-mills.tsv"
{ printf '\377\376'; sed 's/$/\r/' "$work/harbor-mills.tsv" | iconv -f UTF-8 -t UTF-16LE; } >"$work/harbor-mills-utf16.txt"
options="--symbol HBML --name Harbor_Mills --new-master --date-format MM_DD_CCYY --no-oi --delimiter tab"
XDG_CONFIG_HOME="$work/config" "$linux_cli" convert "$work/harbor-mills.tsv" --out "$work/db-linux" $options >/dev/null
(cd "$work" && $run cmd /c "pelmar-cli convert harbor-mills-utf16.txt --out db-wine $options") >"$work/convert.log" 2>&1 ||
  { cat "$work/convert.log"; fail "the installed pelmar-cli did not convert the UTF-16 file"; }
diff -r "$work/db-linux" "$work/db-wine" || fail "the UTF-16 file gave other bytes than its UTF-8 twin"
echo "the installed pelmar-cli converted a UTF-16 file into the bytes the Linux build writes for its UTF-8 twin"

$run "$instdir/uninstall.exe" /S
# The uninstaller goes on in a copy of itself in the Temp folder, which Windows deletes at the
# next start: a restart of the prefix does that. What NSIS leaves then is the empty folder of
# that copy (~nsuN.tmp), in the Temp folder.
$run --wait
$run wineboot --restart
snapshot after
grep -v '^\./users/[^/]*/Temp/~nsu[^/]*\.tmp$' "$work/after.files" >"$work/after.kept" || true
mv "$work/after.kept" "$work/after.files"
diff "$work/before.files" "$work/after.files" || fail "the uninstall left files behind (> above)"
diff "$work/before.registry" "$work/after.registry" || fail "the uninstall left registry entries behind (> above)"
[ "$(user_path_value)" = "$user_path" ] || fail "the user's PATH is not as it was: $(user_path_value)"
echo "uninstalled silently: no file and no registry entry of Pelmar left"
