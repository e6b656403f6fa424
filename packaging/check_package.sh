#!/bin/sh
# Checks the Debian package that scripts/package built in DIR: its file list
# holds both programs, the udev rule, the desktop entry, the icon and the
# manual page, and the capcode-tool of an unpacked copy prints its usage.
# Exit 77 (skipped) when DIR holds no package.
set -eu
dir=${1:?usage: check_package.sh DIR}
deb=$(ls -t "$dir"/capcode-programmer_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ]; then
    echo "no package in $dir: run ./scripts/package first"
    exit 77
fi
echo "checking $deb"
files=$(dpkg-deb --contents "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
status=0
for wanted in /usr/bin/capcode-programmer /usr/bin/capcode-tool \
              /usr/lib/udev/rules.d/70-capcode-jig.rules \
              /usr/share/applications/capcode-programmer.desktop \
              /usr/share/icons/hicolor/scalable/apps/capcode-programmer.svg \
              /usr/share/man/man1/capcode-tool.1.gz /usr/share/man/man1/capcode-programmer.1.gz \
              /usr/share/doc/capcode-programmer/copyright; do
    if ! printf '%s\n' "$files" | grep -qx "$wanted"; then
        echo "missing from the package: $wanted"
        status=1
    fi
done
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb --extract "$deb" "$unpacked"
if ! "$unpacked/usr/bin/capcode-tool" --help | grep -q "selftest"; then
    echo "the unpacked capcode-tool does not print its usage"
    status=1
fi
if ! cmp -s "$unpacked/usr/lib/udev/rules.d/70-capcode-jig.rules" \
        "$(dirname "$0")/udev/70-capcode-jig.rules"; then
    echo "the packaged udev rule differs from packaging/udev/70-capcode-jig.rules"
    status=1
fi
[ "$status" -eq 0 ] && echo "package contents as expected"
exit "$status"
