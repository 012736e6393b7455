#!/usr/bin/env bash
# Holds the source folders to the README's layout table: a file includes only headers of its own
# folder or of the folders its row names under "builds on"; a row names only folders listed above
# it, and only folders its files do include; logic folders include no Qt header; front ends (the
# window, the run without one) never build on one another.
set -euo pipefail
root=$1
src=$root/src

# Rows "| `src/<folder>/` | kind | builds on | ..." in table order, bottom layer first, read as
# "folder|kind|builds on".
mapfile -t rows < <(awk '/^## /{on = ($0 ~ /^## Layout/)} on && /^\| `src\//' "$root/README.md" |
  sed -E 's/^\| `src\/([a-z_/]+)\/` \| ([a-z]+) \| ([^|]*) \|.*/\1|\2|\3/')
[ ${#rows[@]} -gt 0 ] || { echo "no layer table in README.md"; exit 1; }

faults=()
declare -A kind base used
for row in "${rows[@]}"; do
  IFS='|' read -r folder k names <<<"$row"
  base[$folder]=" "
  if [ "$names" != nothing ]; then
    IFS=',' read -ra listed <<<"$names"
    for name in "${listed[@]}"; do
      name=${name// /}
      if [ -z "${kind[$name]+set}" ]; then
        faults+=("README row $folder builds on $name, not a folder listed above it")
      elif [ "$k" = front ] && [ "${kind[$name]}" = front ]; then
        faults+=("README row $folder builds on $name, another front end")
      fi
      base[$folder]+="$name "
    done
  fi
  kind[$folder]=$k
done

# The listed folder that holds a path: the longest listed prefix.
folder_of() {
  local path=$1 best=""
  for f in "${!kind[@]}"; do
    if [[ $path == "$f"/* && ${#f} -gt ${#best} ]]; then best=$f; fi
  done
  echo "$best"
}

while IFS= read -r file; do
  rel=${file#"$src"/}
  own=$(folder_of "$rel")
  if [ -z "$own" ]; then faults+=("$rel: folder not in the layer table"); continue; fi
  while IFS= read -r inc; do
    [[ $inc == */* ]] || continue  # generated form headers sit beside their users
    other=$(folder_of "$inc")
    if [ -z "$other" ]; then
      faults+=("$rel includes $inc: folder not in the layer table")
    elif [ "$other" != "$own" ]; then
      used[$own:$other]=1
      if [[ ${base[$own]} != *" $other "* ]]; then
        faults+=("$rel ($own) includes $inc from $other, which its row does not build on")
      fi
    fi
  done < <(sed -nE 's/^\s*#\s*include\s*"([^"]+)".*/\1/p' "$file")
  if [ "${kind[$own]}" = logic ] &&
    grep -qE '^\s*#\s*include\s*[<"](Q[A-Za-z]|Qt[A-Za-z]*/)' "$file"; then
    faults+=("$rel: Qt header in a logic folder")
  fi
done < <(find "$src" -name '*.h' -o -name '*.cpp' | sort)

for folder in "${!base[@]}"; do
  for name in ${base[$folder]}; do
    [ -n "${used[$folder:$name]+set}" ] ||
      faults+=("README row $folder builds on $name, which none of its files include")
  done
done

if [ ${#faults[@]} -gt 0 ]; then
  printf '%s\n' "${faults[@]}"
  exit 1
fi
echo "layers hold: ${#rows[@]} folders, each including only what its row builds on"
