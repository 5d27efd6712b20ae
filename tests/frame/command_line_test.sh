#!/usr/bin/env bash
# The editor's help and version with no display at all (no DISPLAY, no
# WAYLAND_DISPLAY, no QT_QPA_PLATFORM), and what it says when it has none
# to open its windows on.
#
#   command_line_test.sh VELLUMO_BINARY VERSION
set -uo pipefail
bin=$1 version=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Runs the editor with no display, in Russian as the other tests (settings
# of its own, so no language chosen there); sets status, out and err.
headless() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u LANGUAGE -u LC_ALL LC_MESSAGES=ru_RU.UTF-8 \
    XDG_CONFIG_HOME="$tmp" "$bin" "$@" >"$tmp/out" 2>"$tmp/err"
  status=$?
  out=$(cat "$tmp/out")
  err=$(cat "$tmp/err")
}

for args in "--help" "-h" "label.lbl --help" "-platform offscreen --help"; do
  # shellcheck disable=SC2086
  headless $args
  [[ $status == 0 ]] || fail "vellumo $args: status $status: $err"
  grep -q '^Использование: vellumo ' <<<"$out" || fail "vellumo $args: no usage line: $out"
  grep -q -- '--version' <<<"$out" || fail "vellumo $args: the help does not name --version"
  [[ -z $err ]] || fail "vellumo $args wrote to standard error: $err"
done

headless --version
[[ $status == 0 && $out == "vellumo $version" ]] || fail "vellumo --version: status $status, '$out' $err"

# No display: one Russian line and status 1 instead of Qt's abort (134),
# whatever the files named; after "--" --help is a file name.
for args in "" "label.lbl" "-- --help"; do
  # shellcheck disable=SC2086
  headless $args
  [[ $status == 1 ]] || fail "vellumo $args without a display: status $status (expected 1): $err"
  grep -q 'нет дисплея' <<<"$err" || fail "vellumo $args without a display said: $err"
  grep -qi 'qt\.qpa\|could not' <<<"$err" && fail "vellumo $args: Qt's own English message: $err"
done

if ((failures)); then
  echo "$failures problem(s)"
  exit 1
fi
echo "help, version and no display: as expected"
