#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-charts-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools
  libgl1-mesa-dev libssl-dev openssl
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev nlohmann-json3-dev libtomlplusplus-dev
  python3 socat xvfb xauth xdotool x11-utils iproute2 imagemagick clang libclang-rt-14-dev
)

# Qt Charts' CMake package needs the Qt OpenGL one beside it, which it does not pull in.
packages+=(libqt6opengl6-dev)

# Icons drawn from the SVG, and the tools of `make package-check`.
packages+=(librsvg2-bin lintian desktop-file-utils appstream man-db)

# Reads the pcapng captures back in the tests, with and without the Lua dissector.
packages+=(tshark)

# The live control (--control) and the test that reads its metrics.
# Qt HTTP Server's CMake package needs the WebSockets one beside it.
packages+=(qt6-httpserver-dev qt6-websockets-dev python3-prometheus-client)

# The locale definitions a test builds a German locale from, to show numbers do not follow it.
packages+=(locales)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# tshark's setup would otherwise ask whether ordinary users may capture.
if printf '%s\n' "${missing[@]}" | grep -qx tshark; then
  echo "wireshark-common wireshark-common/install-setuid boolean false" |
    "${sudo_cmd[@]}" debconf-set-selections
fi
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
