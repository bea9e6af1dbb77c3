#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, only those that are missing
# (nsis and icoutils make the Windows installer and the programs' icon).
# Usage: scripts/deps.sh [extra package ...]
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-tools-dev qt6-l10n-tools
          libgtest-dev libgmock-dev fonts-liberation2 libyaml-cpp-dev nlohmann-json3-dev
          libcsv-dev libcli11-dev libserialport-dev ser2net
          nsis icoutils "$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "== installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "these packages are missing; run as root or install them: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
