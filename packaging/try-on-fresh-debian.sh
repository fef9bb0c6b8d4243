#!/usr/bin/env bash
# Installs a built package on a pristine Debian 12 and starts both programs there: celshift-cli --help, and the
# window on the offscreen platform for a few seconds (it must still be running when stopped: no missing library,
# no missing plugin). Uses the base system that ../shared/tools/fresh-debian.sh keeps (made on first use).
#
#   bash packaging/try-on-fresh-debian.sh build/celshift_0.1.0_amd64.deb
set -euo pipefail
deb=$(realpath "$1")
scratch=${TMPDIR:-/tmp}/fresh-debian
base=$scratch/root
fresh=$(dirname "$0")/../../shared/tools/fresh-debian.sh
if [[ ! -x $base/bin/bash ]]; then
  [[ -f $fresh ]] || { echo "no Debian 12 base in $base, and no $fresh to make one"; exit 1; }
  bash "$fresh" true >/dev/null
fi
try=$scratch/package-try; rm -rf "$try"; cp -a "$base" "$try"; cp /etc/resolv.conf "$try/etc/"
cp "$deb" "$try/root/"
mount -t proc proc "$try/proc"; mount --bind /dev "$try/dev"
trap 'umount "$try/dev" "$try/proc" 2>/dev/null; rm -rf "$try"' EXIT
inside() { chroot "$try" env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 bash -c "cd /root && $1"; }

echo "== apt-get install ./$(basename "$deb") on a fresh Debian 12"
inside "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq ./$(basename "$deb") >/root/install.log 2>&1" \
  || { tail -n 20 "$try/root/install.log"; echo "FAIL: the package does not install"; exit 1; }
inside "dpkg -L celshift | grep -E 'bin/|\.desktop|\.svg'"
echo "== celshift-cli --help"
inside "celshift-cli --help | head -n 3"
echo "== celshift on the offscreen platform, stopped after 5 seconds"
rc=0
inside "QT_QPA_PLATFORM=offscreen timeout 5 celshift" >"$try/root/window.log" 2>&1 || rc=$?
cat "$try/root/window.log"
if ((rc != 124)); then echo "FAIL: the window ended by itself with status $rc instead of running until stopped"; exit 1; fi
echo "== celshift started by a user: the settings go to the user's configuration folder, /usr/bin is not theirs"
inside "useradd -m tester && runuser -u tester -- env HOME=/home/tester QT_QPA_PLATFORM=offscreen timeout 5 celshift" \
  >/dev/null 2>&1 || true
[[ -d $try/home/tester/.config/celshift ]] || { echo "FAIL: no /home/tester/.config/celshift after a start"; exit 1; }
echo "/home/tester/.config/celshift was made"
echo "== celshift ran until stopped; the package works on a fresh Debian 12"
