#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need, when missing.
# Run as root on a fresh machine; as another user it only lists what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  googletest libgtest-dev libbenchmark-dev lua5.4 liblua5.4-dev
  libpq-dev postgresql-15
  clang-14 libclang-rt-14-dev
  qt6-base-dev fonts-dejavu-core
  cups-daemon cups-client
  libhpdf-dev zlib1g-dev poppler-utils
  dpkg-dev man-db
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages (install them as root): ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
