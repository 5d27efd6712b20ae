#!/usr/bin/env bash
# The package's maintainer scripts with every argument dpkg passes them, run
# in a mount namespace of their own (tmpfs on /etc, /var/lib, /var/cache and
# /run, so the machine's files are never touched) with the system tools they
# call replaced by stubs that record each call.
#
#   maintainer_scripts_test.sh DEBIAN_DIR
set -uo pipefail
scripts=$(cd "$1" && pwd)
if [[ $(id -u) -ne 0 ]] || ! unshare --mount true 2>/dev/null; then
  echo "needs root and mount namespaces: not run"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stubs=$work/stubs
mkdir -p "$stubs"
for tool in adduser deluser chown deb-systemd-helper deb-systemd-invoke systemctl; do
  cat >"$stubs/$tool" <<STUB
#!/bin/sh
echo "$tool \$*" >>"$work/calls"
[ "$tool" = adduser ] && : >"$work/user-exists"
[ "$tool" = deb-systemd-helper ] && [ "\$1" = --quiet ] && [ "\$2" = was-enabled ] && [ -e "$work/disabled" ] && exit 1
exit 0
STUB
done
cat >"$stubs/getent" <<STUB
#!/bin/sh
[ -e "$work/user-exists" ]
STUB
chmod +x "$stubs"/*

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# One namespace for a whole story (install, upgrade, remove, purge), so that
# what a script leaves is there for the next.  The story is bash run with
# the stubs first on PATH; `run SCRIPT ARGS...` records the status.
story() {
  rm -f "$work/calls" "$work/user-exists" "$work/disabled"
  unshare --mount bash -c '
    set -u
    mount --make-rprivate /
    for d in /etc /var/lib /var/cache /run; do mount -t tmpfs tmpfs "$d"; done
    mkdir -p /run/systemd/system
    PATH='"$stubs"':$PATH
    scripts='"$scripts"' work='"$work"'
    run() { local s=$1; shift; : >"$work/calls"; sh "$scripts/$s" "$@" 2>"$work/err"; echo $? >"$work/status"; }
    mode() { stat -c %a "$1" 2>/dev/null || echo none; }
    calls() { cat "$work/calls" 2>/dev/null; }
    status() { cat "$work/status"; }
    '"$1"
}

check() { # what condition, as text for the message
  [[ $(cat "$work/result" 2>/dev/null) == ok ]] || fail "$1: $(cat "$work/result" 2>/dev/null)"
}

# First install, then an upgrade: the user and folders made once, the
# administrator's users file kept, the service started then restarted.
story '
  out=
  run postinst configure
  [ "$(status)" = 0 ] || out="$out configure: status $(status) $(cat $work/err);"
  calls | grep -q "^adduser --system --group --home /var/lib/vellumo" || out="$out no adduser;"
  [ "$(mode /var/lib/vellumo)" = 750 ] || out="$out /var/lib/vellumo is $(mode /var/lib/vellumo);"
  [ "$(mode /var/lib/vellumo/labels)" = 750 ] || out="$out labels folder is $(mode /var/lib/vellumo/labels);"
  [ "$(mode /etc/vellumo/users)" = 640 ] || out="$out users file is $(mode /etc/vellumo/users);"
  calls | grep -q "^deb-systemd-helper enable vellumo-server.service" || out="$out not enabled;"
  calls | grep -q "^deb-systemd-invoke start vellumo-server.service" || out="$out not started;"
  echo "anna:pbkdf2-sha256:1:AA:BB" >/etc/vellumo/users
  run postinst configure 1.1
  [ "$(status)" = 0 ] || out="$out upgrade: status $(status);"
  calls | grep -q "^adduser" && out="$out adduser again;"
  grep -q anna /etc/vellumo/users || out="$out users file replaced;"
  calls | grep -q "^deb-systemd-invoke restart vellumo-server.service" || out="$out not restarted on upgrade;"
  echo "${out:-ok}" >$work/result'
check "install and upgrade"

# An administrator who disabled the service keeps it disabled on upgrade.
story '
  out=
  run postinst configure
  : >$work/disabled
  run postinst configure 1.1
  calls | grep -q "^deb-systemd-helper enable" && out="$out enabled against the administrator;"
  calls | grep -q "^deb-systemd-helper update-state vellumo-server.service" || out="$out state not updated;"
  echo "${out:-ok}" >$work/result'
check "a disabled service on upgrade"

# Every abort brings the service back; triggered does nothing; an argument
# dpkg never passes is an error in each script.
story '
  out=
  run postinst configure
  for args in "abort-upgrade 1.3" "abort-remove" "abort-remove in-favour other 2.0" \
              "abort-deconfigure in-favour other 2.0" "abort-deconfigure in-favour other 2.0 removing x 1"; do
    run postinst $args
    [ "$(status)" = 0 ] || out="$out postinst $args: status $(status);"
    calls | grep -q "^deb-systemd-invoke restart vellumo-server.service" || out="$out postinst $args: service not back;"
    calls | grep -q "^deb-systemd-helper unmask vellumo-server.service" || out="$out postinst $args: not unmasked;"
  done
  run postinst triggered something
  [ "$(status)" = 0 ] || out="$out triggered: status $(status);"
  [ -z "$(calls)" ] || out="$out triggered did: $(calls);"
  for s in postinst prerm postrm; do
    run $s no-such-argument
    [ "$(status)" = 1 ] || out="$out $s no-such-argument: status $(status);"
    grep -q no-such-argument $work/err || out="$out $s did not name the argument;"
  done
  echo "${out:-ok}" >$work/result'
check "aborts, triggers and unknown arguments"

# prerm: stopped on remove and deconfigure, left running on upgrade.
story '
  out=
  for args in "remove" "deconfigure in-favour other 2.0"; do
    run prerm $args
    [ "$(status)" = 0 ] || out="$out prerm $args: status $(status);"
    calls | grep -q "^deb-systemd-invoke stop vellumo-server.service" || out="$out prerm $args: not stopped;"
  done
  for args in "upgrade 1.3" "failed-upgrade 1.1"; do
    run prerm $args
    [ "$(status)" = 0 ] || out="$out prerm $args: status $(status);"
    [ -z "$(calls)" ] || out="$out prerm $args did: $(calls);"
  done
  echo "${out:-ok}" >$work/result'
check "prerm"

# postrm: remove keeps the data and masks the unit; purge deletes the data
# but keeps the system user; the other arguments change nothing.
story '
  out=
  run postinst configure
  echo label >/var/lib/vellumo/labels/a.lbl
  for args in "upgrade 1.3" "failed-upgrade 1.1" "abort-install" "abort-install 1.1" "abort-upgrade 1.1" \
              "disappear other 2.0"; do
    run postrm $args
    [ "$(status)" = 0 ] || out="$out postrm $args: status $(status);"
    [ -z "$(calls)" ] || out="$out postrm $args did: $(calls);"
  done
  run postrm remove
  [ "$(status)" = 0 ] || out="$out remove: status $(status);"
  [ -e /var/lib/vellumo/labels/a.lbl ] || out="$out labels gone on remove;"
  [ -e /etc/vellumo/users ] || out="$out users file gone on remove;"
  calls | grep -q "^deb-systemd-helper mask vellumo-server.service" || out="$out not masked;"
  run postrm purge
  [ "$(status)" = 0 ] || out="$out purge: status $(status);"
  for d in /var/lib/vellumo /etc/vellumo /var/cache/vellumo; do [ -e $d ] && out="$out $d left on purge;"; done
  calls | grep -q "^deluser" && out="$out the system user removed;"
  calls | grep -q "^deb-systemd-helper purge vellumo-server.service" || out="$out unit state not purged;"
  echo "${out:-ok}" >$work/result'
check "postrm remove and purge"

if ((failures)); then
  echo "$failures problem(s)"
  exit 1
fi
echo "maintainer scripts: every argument as expected"
