#!/usr/bin/env bash
# Shows that the Debian package installs on a fresh Debian system and that qelt-cli works there:
# builds the package, lays out a minimal Debian 12 in a folder with debootstrap, installs the
# package with apt (which brings its runtime dependencies and nothing else), and writes the
# tables of the bundled examples with the installed qelt-cli.
#   scripts/package-install-test.sh [ROOT]     (ROOT default /tmp/qelt-fresh-debian, kept for reuse)
# Needs root and Debian's package mirror; not part of `make test`.
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-/tmp/qelt-fresh-debian}
mirror=${QELT_DEBIAN_MIRROR:-http://deb.debian.org/debian}

make package
deb=$(ls -t build/qelt_*.deb | head -n 1)

if ! command -v debootstrap > /dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi
if [ ! -x "$root/usr/bin/apt-get" ]; then
    debootstrap --variant=minbase bookworm "$root" "$mirror"
fi

cleanup() { umount "$root/proc" 2> /dev/null || true; }
trap cleanup EXIT
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/qelt.deb"
chroot "$root" /bin/sh -c 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/qelt.deb'

chroot "$root" /bin/sh -ec '
    ex=/usr/share/doc/qelt/examples
    out=$(mktemp -d)
    cd "$out"
    qelt-cli table --method jd --alignment $ex/mainline-jd.txt --chain-breaks $ex/mainline-dl.txt \
        --boreholes $ex/mainline-boreholes.txt --output main.xlsx --csv main.csv
    qelt-cli table --method ht --alignment $ex/ramp-elements.txt \
        --boreholes $ex/ramp-boreholes.txt --output ramp.xlsx
    test -s main.xlsx && test -s ramp.xlsx
    test "$(wc -l < main.csv)" -eq 16
    test -L /usr/bin/qelt && test -x /usr/lib/qelt/qelt && test -f /usr/lib/qelt/help/qelt.html
    test -f /usr/share/applications/qelt.desktop
    echo "package-install-test: qelt-cli wrote $(ls "$out" | tr "\n" " ")in a fresh Debian"
'
