#!/bin/sh
# A zip whose bytes depend on its files alone: every file in one folder NAME, in the order
# given, with the time SOURCE_DATE_EPOCH (else now) in UTC, and no extra fields (owner,
# access times) that differ from machine to machine.
# Usage: cmake/make-zip.sh ZIP NAME FILE...   (Info-ZIP's zip, Debian package zip)
set -eu
zip=$(realpath -m "$1")
name=$2
shift 2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"
for file in "$@"; do
  cp "$file" "$stage/$name/"
done
touch -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" "$stage/$name" "$stage/$name"/*
rm -f "$zip"
for file in "$@"; do
  echo "$name/$(basename "$file")"
done | (cd "$stage" && TZ=UTC zip -X -D -q "$zip" -@)
