#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12, when it is missing.
#   install-deps.sh native   the Linux build (cmake, g++, GoogleTest)
#   install-deps.sh all      also the Windows build and its tests (mingw-w64, Wine),
#                            the fuzzers (clang's runtime) and valgrind
# Without root it installs nothing and names the packages to install instead.
set -euo pipefail
want=${1:-all}

native_pkgs=(cmake g++ make libgtest-dev)
all_pkgs=("${native_pkgs[@]}" g++-mingw-w64-i686 wine wine32:i386 clang libclang-rt-14-dev valgrind)
pkgs=("${native_pkgs[@]}")
[ "$want" = all ] && pkgs=("${all_pkgs[@]}")

missing=()
for p in "${pkgs[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: not root, so nothing is installed. Missing packages:" >&2
  printf '  %s\n' "${missing[@]}" >&2
  if printf '%s\n' "${missing[@]}" | grep -q ':i386'; then
    echo "  (wine32:i386 needs: dpkg --add-architecture i386 && apt-get update)" >&2
  fi
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
if printf '%s\n' "${missing[@]}" | grep -q ':i386'; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
