#!/usr/bin/env bash
# Holds the source folders to the layer order of the README's layout table: a file includes only
# headers of its own folder or of folders listed above it, logic folders include no Qt header, and
# front ends (the window, the run without one) never include one another.
set -euo pipefail
root=$1
src=$root/src

# Rows "| `src/<folder>/` | logic or qt | ..." in table order, bottom layer first.
mapfile -t rows < <(awk '/^## /{on = ($0 ~ /^## Layout/)} on && /^\| `src\//' "$root/README.md" |
  sed -E 's/^\| `src\/([a-z_/]+)\/` \| ([a-z]+) .*/\1 \2/')
[ ${#rows[@]} -gt 0 ] || { echo "no layer table in README.md"; exit 1; }

declare -A rank kind
i=0
for row in "${rows[@]}"; do
  read -r folder k <<<"$row"
  rank[$folder]=$i
  kind[$folder]=$k
  i=$((i + 1))
done

# The listed folder that holds a path: the longest listed prefix.
folder_of() {
  local path=$1 best=""
  for f in "${!rank[@]}"; do
    if [[ $path == "$f"/* && ${#f} -gt ${#best} ]]; then best=$f; fi
  done
  echo "$best"
}

faults=()
while IFS= read -r file; do
  rel=${file#"$src"/}
  own=$(folder_of "$rel")
  if [ -z "$own" ]; then faults+=("$rel: folder not in the layer table"); continue; fi
  while IFS= read -r inc; do
    [[ $inc == */* ]] || continue  # generated form headers sit beside their users
    other=$(folder_of "$inc")
    if [ -z "$other" ]; then
      faults+=("$rel includes $inc: folder not in the layer table")
    elif [ "${rank[$other]}" -gt "${rank[$own]}" ]; then
      faults+=("$rel ($own) includes $inc from $other, a layer above it")
    elif [ "${kind[$own]}" = front ] && [ "${kind[$other]}" = front ] && [ "$own" != "$other" ]; then
      faults+=("$rel ($own) includes $inc from $other, another front end")
    fi
  done < <(sed -nE 's/^\s*#\s*include\s*"([^"]+)".*/\1/p' "$file")
  if [ "${kind[$own]}" = logic ] &&
    grep -qE '^\s*#\s*include\s*[<"](Q[A-Za-z]|Qt[A-Za-z]*/)' "$file"; then
    faults+=("$rel: Qt header in a logic folder")
  fi
done < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)

if [ ${#faults[@]} -gt 0 ]; then
  printf '%s\n' "${faults[@]}"
  exit 1
fi
echo "layers hold: ${#rows[@]} folders, bottom-up"
