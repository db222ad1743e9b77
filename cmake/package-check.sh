#!/bin/sh
# The Debian package as a user meets it: installed with apt (which fetches what it needs),
# then a new user with an empty home converts a sample with the installed pelmar-cli. The
# package and the user are removed again at the end, whatever the outcome.
# Usage: cmake/package-check.sh [BUILD]   (run from the source folder; root or sudo)
set -eu
build=${1:-build}
deb=$(ls -t "$build"/pelmar_*.deb | head -n 1)
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
user=pelmar-check

if dpkg-query -W -f='${Status}' pelmar 2>/dev/null | grep -q "install ok installed"; then
  echo "pelmar is installed on this machine already; this check installs the package it built and"
  echo "removes it afterwards. Remove the installed one first: apt purge pelmar"
  exit 1
fi
cleanup() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq pelmar >/dev/null 2>&1 || true
  if id "$user" >/dev/null 2>&1; then
    $SUDO userdel --remove "$user" >/dev/null 2>&1 || true
  fi
  if dpkg-query -W -f='${Status}' pelmar 2>/dev/null | grep -q "install ok installed" || id "$user" >/dev/null 2>&1; then
    echo "the package or the user $user could not be removed"
    exit 1
  fi
  echo "removed the package and the user $user again"
}
trap cleanup EXIT

$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" >/dev/null
echo "installed $deb"

for f in /usr/bin/pelmar /usr/bin/pelmar-cli /usr/share/applications/pelmar.desktop \
         /usr/share/icons/hicolor/48x48/apps/pelmar.png /usr/share/doc/pelmar/pelmar-help.html \
         /usr/share/doc/pelmar/copyright /usr/share/doc/pelmar/changelog.gz \
         /usr/share/metainfo/org.example.pelmar.metainfo.xml \
         /usr/share/man/man1/pelmar-cli.1.gz /usr/share/man/man1/pelmar.1.gz; do
  [ -f "$f" ] || { echo "missing from the package: $f"; exit 1; }
done
appstreamcli validate --no-net /usr/share/metainfo/org.example.pelmar.metainfo.xml >/dev/null
for page in pelmar pelmar-cli; do
  for section in OPTIONS "EXIT STATUS" FILES EXAMPLES; do
    zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.SH \"*$section\"*\$" ||
      { echo "the manual page of $page has no section $section"; exit 1; }
  done
done

id "$user" >/dev/null 2>&1 || $SUDO useradd --create-home --shell /bin/sh "$user"
home=$(getent passwd "$user" | cut -d: -f6)
$SUDO install -o "$user" -m 644 examples/harbor-mills.csv "$home/harbor-mills.csv"
# A login shell of the new user: its own home and environment, nothing of ours.
convert='QT_QPA_PLATFORM=offscreen pelmar --version && mkdir -p db && pelmar-cli convert harbor-mills.csv --out db --symbol HBML --name "Harbor Mills" --new-master --date-format MM_DD_CCYY --no-oi && pelmar-cli list db'
if [ "$(id -u)" -eq 0 ]; then
  runuser -l "$user" -c "$convert"
else
  sudo -i -u "$user" sh -c "$convert"
fi | tee "$build/package-check.log"
grep -q HBML "$build/package-check.log"
# The same data file as the build's own demo made, when there is one.
if [ -f "$build/demo/database/F1.DAT" ]; then
  $SUDO cmp "$home/db/F1.DAT" "$build/demo/database/F1.DAT"
fi
echo "the installed pelmar-cli converted a sample for a new user"
