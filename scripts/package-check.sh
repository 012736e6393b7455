#!/usr/bin/env bash
# `make package-check`: checks the Debian package that `make deb` built in BUILD_DIR (default
# build) as Debian's tools see it: lintian with no error and no warning, the installed desktop
# entry by desktop-file-validate, the installed AppStream metainfo by appstreamcli, and the
# installed man pages by man. Informational lintian tags are shown but do not fail.
set -euo pipefail
build=${1:-build}
# The package's version is the newest entry of its changelog, as the build takes it.
version=$(sed -n '1s/^v7400 (\([^)]*\)).*/\1/p' "$(dirname "$0")/../packaging/changelog.Debian")
deb=$build/v7400_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  echo "no $deb: run make deb"
  exit 1
fi
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
failed=0
step() {
  echo "== $*"
  if ! "$@"; then
    echo "** failed: $*"
    failed=1
  fi
}

step lintian --fail-on error,warning --display-info "$deb"
# Overridden tags are not counted; they are listed here, each with its reason.
echo "lintian overrides in the package:"
sed 's/^/  /' "$tree"/usr/share/lintian/overrides/v7400
step desktop-file-validate "$tree"/usr/share/applications/v7400.desktop
step appstreamcli validate --no-net --explain "$tree"/usr/share/metainfo/*.metainfo.xml
step appstreamcli validate-tree --no-net "$tree"
man_pages() {
  local page out status=0
  for page in "$tree"/usr/share/man/man1/*.1.gz; do
    out=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$out" ]; then
      printf '%s:\n%s\n' "${page#"$tree"}" "$out"
      status=1
    fi
  done
  return $status
}
step man_pages
# The dissector lies where this machine's Wireshark loads Lua plugins, and loads there.
dissector() {
  local folder
  folder=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
  [ -f "$tree$folder/v7400.lua" ] || { echo "no v7400.lua in $folder"; return 1; }
  # One SIA ACK on the serial link type, as v7400 --pcap writes it: the sequence is decoded.
  python3 -c 'import struct, sys
frame = b"\n47D40B\t00010100[]\r"
sys.stdout.buffer.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 147) +
                        struct.pack("<IIII", 0, 0, len(frame), len(frame)) + frame)' >"$tree/ack.pcap"
  [ "$(tshark -X "lua_script:$tree$folder/v7400.lua" -r "$tree/ack.pcap" -T fields \
       -e v7400.sequence -e v7400.checksum.status 2>/dev/null)" = $'0001\tgood' ]
}
step dissector

if [ $failed -ne 0 ]; then
  echo "package check of $deb failed"
  exit 1
fi
echo "package check of $deb passed"
