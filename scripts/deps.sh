#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they
# are missing and we are root. As another user it only reports what is missing.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev oxygen-icon-theme unixodbc-dev odbc-postgresql tdsodbc
          libpugixml-dev libssl-dev libzip-dev libsystemd-dev libgtest-dev libgmock-dev libbenchmark-dev
          postgresql-15 postgresql-client-15 dbus-daemon systemd)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "Missing packages (install them as root): ${missing[*]}" >&2
  exit 1
fi
