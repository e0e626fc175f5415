#!/usr/bin/env bash
# Installs the Debian 12 packages Notavex needs to build, run and test. Skips apt when all are present.
set -euo pipefail
pkgs=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgl-dev libxcb1-dev
      libchm-dev libchm-bin fp-utils qt6-translations-l10n
      cups cups-client libcups2-dev printer-driver-cups-pdf poppler-utils
      xvfb xauth openbox trayer xdotool x11-utils x11-apps x11-xserver-utils python3
      dbus xfce4-panel pulseaudio pulseaudio-utils
      fontconfig fonts-liberation fonts-wine desktop-file-utils syncthing curl)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
