#!/usr/bin/env bash
# What `make package` shows of the package it built, and a run of the
# programs unpacked into a folder of their own.
#
#   check_package.sh PACKAGE.deb
set -euo pipefail
deb=$1
dpkg-deb -I "$deb"
echo "contents:"
dpkg-deb -c "$deb" | awk '{print "  " $6}'
echo "lintian:"
lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true
# lintian's own exit status: 0 unless it found an error.
lintian --tag-display-limit 0 "$deb" >/dev/null 2>&1 || { echo "lintian found errors" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
for p in vellumo vellumo-server vellumo-render; do
  [[ -x $root/usr/bin/$p ]] || continue
  # No display: the help must not need one.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$p" --help >/dev/null
  echo "$p --help runs from the unpacked package"
done
# How exposed the service is, as systemd rates it (0 best, 10 worst).
if systemd-analyze security --help 2>/dev/null | grep -q -- --offline; then
  systemd-analyze security --offline=yes "$root/usr/lib/systemd/system/vellumo-server.service" 2>/dev/null |
    grep 'Overall exposure level' || true
fi
