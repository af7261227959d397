#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Tav Outliner.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev libxkbcommon-dev libx11-dev libxtst-dev libfontconfig-dev
  libbenchmark-dev clang libclang-rt-14-dev
  # SFTP uploads
  libssh-dev
  # Qt's own dialogs and menus in Japanese
  qt6-translations-l10n
  # the live preview pane
  qt6-webengine-dev
  # test peers and tools
  python3 python3-pyftpdlib python3-openssl openssl vsftpd xvfb xauth xdotool x11-utils
  # SSH servers for the SFTP tests (sshd, ssh-keygen, sftp for the benchmark)
  openssh-server openssh-client python3-paramiko
  dbus-daemon
  # a network namespace of its own for tests on the companion's fixed port
  iproute2
  nkf curl chromium fonts-noto-cjk
  # the preview's end-to-end test reads the engine through its debugging port
  python3-websocket
  # the modes the settings files are created with, read from a trace
  strace
  # benchmarks: peak memory of whole processes
  time
  # the installed layout and the Debian package
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info xdg-utils
  libfile-mimeinfo-perl libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
