#!/bin/sh
# The Debian package holds the programs, their manual pages and the README
# where a Debian system looks for them. Everything is made in a temporary
# directory.
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.out" 2>&1 || { cat "$work/cpack.out"; exit 1; }
deb=$(ls "$work"/*.deb)
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
status=0
for path in /usr/bin/vinstall /usr/bin/vrnarc /usr/bin/vrnmedia /usr/bin/vrnini \
            /usr/share/man/man1/vinstall.1 /usr/share/man/man1/vrnarc.1 \
            /usr/share/man/man1/vrnmedia.1 /usr/share/man/man1/vrnini.1 \
            /usr/share/doc/varentis-install/README.md; do
  grep -qx "$path" "$work/contents" || { echo "missing from the package: $path"; status=1; }
done
# Nothing of the build or the tests goes with it.
if grep -E 'test_|vrnpayload|\.a$' "$work/contents"; then echo "build leftovers in the package"; status=1; fi
dpkg-deb --field "$deb" Package Depends
[ "$(dpkg-deb --field "$deb" Package)" = varentis-install ] || status=1
[ $status -eq 0 ] || cat "$work/contents"
exit $status
