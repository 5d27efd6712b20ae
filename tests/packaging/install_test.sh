#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks what a desktop and
# an administrator will find there.
#
#   install_test.sh BUILD_DIR MIME_PROBE SAMPLE_LBL RENDER_EXPECTED(0|1)
set -uo pipefail
build=$1 probe=$2 sample=$3 render_expected=$4
prefix=/usr/local
dest=$(mktemp -d)
trap 'rm -rf "$dest"' EXIT
root=$dest$prefix
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! DESTDIR=$dest cmake --install "$build" --prefix "$prefix" >"$dest/install.log" 2>&1; then
  cat "$dest/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi

programs=(vellumo vellumo-server)
[[ $render_expected == 1 ]] && programs+=(vellumo-render)
for p in "${programs[@]}"; do
  [[ -x $root/bin/$p ]] || fail "bin/$p is not installed"
done

# The desktop entry.
desktop=$root/share/applications/vellumo.desktop
if [[ -f $desktop ]]; then
  # Hints (several main categories, as the entry asks for) are not faults.
  out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
  grep -E 'error:|warning:' <<<"$out" && fail "desktop-file-validate found problems"
  grep -qx 'Exec=vellumo %F' "$desktop" || fail "desktop entry: Exec is not 'vellumo %F'"
  grep -qx 'MimeType=application/x-vellumo-label;' "$desktop" || fail "desktop entry: MimeType"
else
  fail "no desktop entry"
fi

# The file type: by extension and, for a renamed file, by content.
mime=$root/share/mime/packages/vellumo.xml
if [[ -f $mime ]]; then
  xmllint --noout "$mime" || fail "xmllint on vellumo.xml"
  mkdir -p "$dest/mime/mime/packages"
  cp "$mime" "$dest/mime/mime/packages/"
  cp /usr/share/mime/packages/freedesktop.org.xml "$dest/mime/mime/packages/"
  update-mime-database "$dest/mime/mime" >/dev/null || fail "update-mime-database"
  cp "$sample" "$dest/label.lbl"
  cp "$sample" "$dest/renamed.xml"
  cp "$sample" "$dest/no-extension"
  export XDG_DATA_DIRS=$dest/mime XDG_DATA_HOME=$dest/no-home
  for f in label.lbl renamed.xml no-extension; do
    got=$("$probe" content "$dest/$f")
    [[ $got == application/x-vellumo-label ]] || fail "$f recognised by content as '$got'"
  done
  printf 'not a label\n' >"$dest/other.lbl"
  got=$("$probe" name "$dest/other.lbl")
  [[ $got == application/x-vellumo-label ]] || fail "*.lbl recognised by name as '$got'"
  printf '<?xml version="1.0"?><methodCall><methodName>x.y</methodName></methodCall>' >"$dest/call.xml"
  got=$("$probe" content "$dest/call.xml")
  [[ $got != application/x-vellumo-label ]] || fail "another XML-RPC call taken for a label"
  unset XDG_DATA_DIRS XDG_DATA_HOME
else
  fail "no MIME package"
fi

# Icons: each size in pixels, and the scalable one.
for size in 16 32 48 64 128 256; do
  png=$root/share/icons/hicolor/${size}x${size}/apps/vellumo.png
  if [[ -f $png ]]; then
    got=$(python3 -c 'import struct,sys
d=open(sys.argv[1],"rb").read(24)
assert d[:8]==b"\x89PNG\r\n\x1a\n", "not a PNG"
print("%dx%d" % struct.unpack(">II", d[16:24]))' "$png") || fail "$png is not a PNG"
    [[ $got == "${size}x${size}" ]] || fail "icon ${size}x${size} is $got"
  else
    fail "no ${size}x${size} icon"
  fi
done
svg=$root/share/icons/hicolor/scalable/apps/vellumo.svg
if [[ -f $svg ]]; then
  xmllint --noout "$svg" || fail "the SVG icon is not XML"
  grep -q '<path' "$svg" || fail "the SVG icon draws nothing"
else
  fail "no scalable icon"
fi

[[ -f $root/share/doc/vellumo/README.md ]] || fail "README not in share/doc/vellumo"

# Manual pages: they format without warnings and name every option the
# program's own help names.
for p in "${programs[@]}"; do
  page=$root/share/man/man1/$p.1.gz
  if [[ ! -f $page ]]; then
    fail "no manual page for $p"
    continue
  fi
  warnings=$(LANG=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$dest/$p.man.txt")
  [[ -z $warnings ]] || fail "man $p: $warnings"
  # No display: the help must not need one.
  if ! help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/bin/$p" --help 2>&1); then
    fail "$p --help from $root/bin failed: $help"
    continue
  fi
  for opt in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$opt" "$dest/$p.man.txt" || fail "man page of $p does not describe $opt"
  done
  # English in man1, Russian beside it for a Russian locale, both whole.
  grep -q '^NAME' "$dest/$p.man.txt" || fail "the man1 page of $p is not the English one"
  ru_page=$root/share/man/ru/man1/$p.1.gz
  if [[ ! -f $ru_page ]]; then
    fail "no Russian manual page for $p"
    continue
  fi
  warnings=$(LANG=C.UTF-8 MANWIDTH=80 man --warnings -l "$ru_page" 2>&1 >"$dest/$p.ru.man.txt")
  [[ -z $warnings ]] || fail "man ru $p: $warnings"
  grep -q '^НАЗВАНИЕ' "$dest/$p.ru.man.txt" || fail "the ru/man1 page of $p is not the Russian one"
  for opt in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    grep -qF -- "$opt" "$dest/$p.ru.man.txt" || fail "Russian man page of $p does not describe $opt"
  done
done

# The service units.
unit=$root/lib/systemd/system/vellumo-server.service
user_unit=$root/lib/systemd/user/vellumo-server.service
for u in "$unit" "$user_unit"; do
  [[ -f $u ]] || { fail "no unit $u"; continue; }
  grep -q "^ExecStart=$prefix/bin/vellumo-server " "$u" || fail "$u does not start $prefix/bin/vellumo-server"
done
grep -q '^ProtectSystem=strict' "$unit" || fail "system unit without ProtectSystem=strict"
grep -q '^ReadWritePaths=/var/lib/vellumo/labels' "$unit" || fail "system unit without ReadWritePaths"
# postinst makes the folders 0750; systemd must not widen them to its 0755.
grep -q '^StateDirectoryMode=0750' "$unit" || fail "system unit without StateDirectoryMode=0750"
# The user's own server takes any password: only its user may reach it, on
# a port other than the system service's.
grep -q "^ExecStart=$prefix/bin/vellumo-server --owner-only" "$user_unit" || fail "user unit without --owner-only"
grep '^ExecStart=' "$user_unit" | grep -q 8390 && fail "user unit listens on the system service's port"
if command -v systemd-analyze >/dev/null; then
  # verify wants the program where the unit says it is: check a copy that
  # points into DESTDIR.
  for u in "$unit" "$user_unit"; do
    [[ -f $u ]] || continue
    sed "s|$prefix/bin/|$root/bin/|" "$u" >"$dest/vellumo-server.service"
    out=$(SYSTEMD_LOG_LEVEL=warning systemd-analyze verify --man=no "$dest/vellumo-server.service" 2>&1 \
          | grep -v -e 'Failed to open /dev/tty' -e 'failed to connect to bus' -e 'Cannot find user' -e 'vellumo: No such')
    [[ -z $out ]] || fail "systemd-analyze verify $(basename "$(dirname "$u")"): $out"
  done
  # The system unit's exposure, as `systemd-analyze security` rates it
  # (0 best, 10 worst).
  sed "s|$prefix/bin/|$root/bin/|" "$unit" >"$dest/vellumo-server.service"
  if rating=$(systemd-analyze security --offline=yes "$dest/vellumo-server.service" 2>/dev/null |
              sed -n 's/.*Overall exposure level for vellumo-server.service: \([0-9.]*\).*/\1/p'); then
    if [[ -n $rating ]]; then
      echo "systemd-analyze security: $rating"
      awk -v r="$rating" 'BEGIN { exit !(r <= 3.0) }' || fail "system unit rated $rating, above 3.0"
    else
      fail "systemd-analyze security --offline=yes gave no rating"
    fi
  fi
else
  echo "systemd-analyze is not installed: the units were not verified"
fi

if ((failures)); then
  echo "$failures problem(s)"
  exit 1
fi
echo "install into $dest$prefix: everything in place"
