#!/usr/bin/env bash
# check-man-page.sh PROGRAM PAGE [README]: the man page PAGE renders without warnings and names
# every long option that `PROGRAM --help` prints; with README, the block it shows under
# "`PROGRAM --help`:" is that output as printed. Exit 77 (a skip) when --help prints no option
# at all, which is the case of a program that has no command line yet.
set -euo pipefail
program=$(readlink -f "$1")
page=$2
readme=${3:-}
[ -x "$program" ] || { echo "no program at $1"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  printf '%s renders with warnings:\n%s\n' "$page" "$warnings"
  exit 1
fi

# A program without a command line opens its window instead: it gets no screen, a folder and
# preference file of its own, and a few seconds.
help=$(cd "$work" && HOME=$work XDG_CONFIG_HOME=$work XDG_STATE_HOME=$work \
  QT_QPA_PLATFORM=offscreen timeout 5 "$program" --help 2>&1) || true
mapfile -t options < <(grep -oE -- '--[A-Za-z0-9][A-Za-z0-9-]*' <<<"$help" | sort -u)
if [ ${#options[@]} -eq 0 ]; then
  echo "$program --help prints no option: nothing to check"
  exit 77
fi

# The page writes each dash as \-; an option counts where no letter, digit or dash follows it.
text=$(sed 's/\\-/-/g' "$page")
missing=()
for option in "${options[@]}"; do
  grep -qE -- "${option}([^A-Za-z0-9-]|$)" <<<"$text" || missing+=("$option")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "$page does not name: ${missing[*]}"
  exit 1
fi
[ -z "$readme" ] || {
  name=$(basename "$program")
  shown=$(awk -v head="\`$name --help\`:" '$0 == head {on = 1; next}
    on && /^```/ {if (inside) exit; inside = 1; next}
    inside {print}' "$readme")
  if [ "$shown" != "$help" ]; then
    echo "$readme: the block under \`$name --help\` is not what it prints:"
    diff <(printf '%s\n' "$shown") <(printf '%s\n' "$help") || true
    exit 1
  fi
}
echo "$page names all ${#options[@]} options of $program --help"
