#!/bin/sh
# pelmar-cli's manual page and its help agree: the same commands, and every option that the
# help of the program or of a command names is in the page, and no other.
# Usage: cmake/man-check.sh PELMAR-CLI MANUAL-PAGE
set -eu
cli=$1
page=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The page's text with groff's escaped hyphens as plain ones.
sed -e 's/\\-/-/g' "$page" >"$scratch/page"

"$cli" --help >"$scratch/help"
sed -n 's/^ *pelmar-cli \([a-z][a-z]*\).*/\1/p' "$scratch/help" | sort -u >"$scratch/commands"
sed -n 's/^\.B pelmar-cli \([a-z][a-z]*\).*/\1/p' "$scratch/page" | sort -u >"$scratch/page-commands"
if ! cmp -s "$scratch/commands" "$scratch/page-commands"; then
  echo "The commands of pelmar-cli --help (<) and of $page (>) differ:"
  diff "$scratch/commands" "$scratch/page-commands" || true
  exit 1
fi
for command in $(cat "$scratch/commands"); do
  "$cli" "$command" --help >>"$scratch/help" || { echo "pelmar-cli $command --help failed"; exit 1; }
done

grep -oE -- '--[a-z][a-z0-9-]*' "$scratch/help" | sort -u >"$scratch/options"
grep -oE -- '--[a-z][a-z0-9-]*' "$scratch/page" | sort -u >"$scratch/page-options"
if ! cmp -s "$scratch/options" "$scratch/page-options"; then
  echo "The options named by pelmar-cli's help (<) and by $page (>) differ:"
  diff "$scratch/options" "$scratch/page-options" || true
  exit 1
fi
echo "$page: $(wc -l <"$scratch/commands") commands and $(wc -l <"$scratch/options") options, as the help names them"
