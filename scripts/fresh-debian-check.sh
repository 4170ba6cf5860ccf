#!/usr/bin/env bash
# Tries the README's two commands the way a newcomer meets them: on a minimal Debian 12
# (debootstrap --variant=minbase bookworm, plus git and nothing else), with a clone of this
# checkout's HEAD. Runs ./scripts/run.sh (without a display it prints demo labels to a PDF and
# exits), then ./scripts/test.sh, then run.sh once more without a network, which must need no
# apt-get. Prints how long each step took.
#
#   sudo scripts/fresh-debian-check.sh [FOLDER]     (default /var/tmp/pricetag-fresh-bookworm)
#
# Needs root (debootstrap, chroot, mounts) and a Debian mirror (MIRROR, default the first one in
# this machine's apt sources, else http://deb.debian.org/debian). The folder is wiped and made
# anew on every run and kept afterwards for inspection; only committed work is tried.
# Environment: MIRROR, FRESH_KEEP_BASE=1 keeps a tarball of the bare system beside the folder
# and reuses it next time (the system stays minimal; only the download is saved).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-/var/tmp/pricetag-fresh-bookworm}
suite=bookworm

[ "$(id -u)" -eq 0 ] || { echo "fresh-debian-check.sh: run as root" >&2; exit 1; }
case "$root" in /|/usr|/var|/tmp|/home|"") echo "fresh-debian-check.sh: refusing folder '$root'" >&2; exit 1 ;; esac

default_mirror() {
  local uri
  uri=$(grep -hs -E '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.sources /etc/apt/sources.list.d/*.list 2>/dev/null |
        grep -v -- '-security' | grep -o -m1 -E 'https?://[^ ]+' || true)
  echo "${uri:-http://deb.debian.org/debian}"
}
mirror=${MIRROR:-$(default_mirror)}

if ! command -v debootstrap >/dev/null; then
  echo "== installing debootstrap on this machine"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  mounted=()
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Whatever an interrupted earlier run left mounted inside the folder goes first.
unmount_leftovers() {
  local m
  while read -r m; do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done < <(awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r)
}

now() { date +%s; }
took() { local s=$(($(now) - $1)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }
summary=()

unmount_leftovers
rm -rf --one-file-system "$root"
mkdir -p "$root"

t=$(now)
base_tar="$root.base.tgz"
if [ "${FRESH_KEEP_BASE:-0}" = 1 ] && [ -s "$base_tar" ]; then
  echo "== debootstrap $suite (minbase) from the kept download $base_tar"
  debootstrap --variant=minbase --unpack-tarball="$base_tar" "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -n 30 "$root.debootstrap.log" >&2; exit 1; }
else
  if [ "${FRESH_KEEP_BASE:-0}" = 1 ]; then
    echo "== downloading $suite (minbase) into $base_tar"
    debootstrap --variant=minbase --make-tarball="$base_tar" "$suite" "$root.tarball-work" "$mirror" >"$root.debootstrap.log" 2>&1 ||
      { tail -n 30 "$root.debootstrap.log" >&2; exit 1; }
    rm -rf "$root.tarball-work"
    debootstrap --variant=minbase --unpack-tarball="$base_tar" "$suite" "$root" "$mirror" >>"$root.debootstrap.log" 2>&1 ||
      { tail -n 30 "$root.debootstrap.log" >&2; exit 1; }
  else
    echo "== debootstrap $suite (minbase) from $mirror into $root"
    debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
      { tail -n 30 "$root.debootstrap.log" >&2; exit 1; }
  fi
fi
summary+=("debootstrap minbase: $(took "$t")")

for m in proc sys dev dev/pts dev/shm; do
  mkdir -p "$root/$m"
  case $m in
    proc) mount -t proc proc "$root/proc" ;;
    sys) mount -t sysfs sys "$root/sys" ;;
    dev) mount --bind /dev "$root/dev" ;;
    dev/pts) mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts" ;;
    dev/shm) mount -t tmpfs -o mode=1777 shm "$root/dev/shm" ;;
  esac
  mounted+=("$root/$m")
done
cp -L /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# Packages that ship services (a print server, a database) must not start them inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

in_chroot() {
  chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive "$@"
}

t=$(now)
echo "== apt-get install git"
in_chroot sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends git ca-certificates >/dev/null'
summary+=("git: $(took "$t")")

head=$(git -C "$here" rev-parse HEAD)
echo "== cloning $head"
git clone -q --no-hardlinks "$here" "$root/root/pricetag"
git -C "$root/root/pricetag" checkout -q --detach "$head"
git -C "$root/root/pricetag" remote remove origin

run_step() {  # name, command inside the checkout; the whole output goes to $root.NAME.log
  local name=$1 t rc
  shift
  echo "== $name (log: $root.$name.log)"
  t=$(now)
  set +e
  in_chroot sh -c "cd /root/pricetag && $*" >"$root.$name.log" 2>&1
  rc=$?
  set -e
  tail -n 25 "$root.$name.log"
  summary+=("$name: $(took "$t") (exit $rc)")
  return "$rc"
}

status=0
run_step run.sh ./scripts/run.sh || status=1
if [ $status -eq 0 ]; then
  pdf=$(grep -E '^/.*\.pdf$' "$root.run.sh.log" | tail -n 1 || true)
  if [ -s "$root$pdf" ] && command -v pdftotext >/dev/null; then
    echo "-- $pdf holds $(pdftotext "$root$pdf" - | grep -c '零售价') labels"
  fi
fi
run_step test.sh ./scripts/test.sh || status=1
# A second run on a machine without a network: nothing may be fetched.
echo "== run.sh again, offline"
t=$(now)
rc=0
unshare -n chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
  sh -c 'cd /root/pricetag && ./scripts/run.sh' >"$root.offline.log" 2>&1 || rc=$?
tail -n 5 "$root.offline.log"
if grep -q '^Installing:' "$root.offline.log"; then rc=1; echo "-- the second run wanted to install packages"; fi
summary+=("run.sh offline: $(took "$t") (exit $rc)")
[ $rc -eq 0 ] || status=1

echo
echo "== summary ($suite minbase, HEAD $head, $(nproc) cores)"
printf '   %s\n' "${summary[@]}"
echo "   logs: $root.*.log; system kept in $root"
exit $status
