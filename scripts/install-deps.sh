#!/usr/bin/env bash
# Installs the Debian 12 packages Notavex needs. With --run, only what building and running the
# program takes; with --package, that and what making its Debian package takes; otherwise also
# what its tests take. Skips apt when all are present; asks sudo for it when not run as root.
set -euo pipefail
pkgs=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgl-dev libxcb1-dev libchm-dev
      fp-utils python3 qt6-translations-l10n libcups2-dev cups-client fontconfig fonts-liberation
      fonts-wine)
case ${1:-} in
--run) ;;
--package) pkgs+=(dpkg-dev lintian) ;;
*)
  pkgs+=(libchm-bin cups printer-driver-cups-pdf poppler-utils
         xvfb xauth openbox trayer xdotool x11-utils x11-apps x11-xserver-utils
         dbus xfce4-panel pulseaudio pulseaudio-utils
         weston xwayland qt6-wayland desktop-file-utils syncthing curl dpkg-dev lintian)
  ;;
esac
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "Missing Debian packages; as root, run: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing the Debian packages Notavex needs (sudo): ${missing[*]}"
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
