#!/usr/bin/env bash
# Installs what building and testing need, only when something is missing.
# Quiet when everything is already there. Run as root on Debian 12.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(cmake make g++ googletest libgtest-dev
      g++-mingw-w64-i686-posix mingw-w64-i686-dev binutils-mingw-w64-i686
      wine wine64 wine32:i386 xvfb x11-utils xdotool fonts-liberation fonts-wine imagemagick python3 gettext
      python3-pefile python3-olefile
      msitools wixl osslsigncode openssl)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  rm -f /var/lib/apt/lists/.tarnwell-updated
fi
for p in "${pkgs[@]}"; do have_pkg "$p" || need+=("$p"); done

if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The mingw C++ compiler must use the posix thread model (std::thread, std::mutex).
for alt in i686-w64-mingw32-g++ i686-w64-mingw32-gcc; do
  if [ -e "/usr/bin/$alt-posix" ] && [ "$(readlink -f /usr/bin/$alt)" != "/usr/bin/$alt-posix" ]; then
    update-alternatives --set "$alt" "/usr/bin/$alt-posix" >/dev/null
  fi
done
