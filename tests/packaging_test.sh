#!/bin/sh
# The Debian package as its users meet it: the files it holds, the manual
# pages rendered without a warning, and what lintian, desktop-file-validate
# and appstreamcli say of it, each where it is installed (77: none is).
#
#   packaging_test.sh BUILD_DIR SOURCE_DIR
set -u
build=$1 source=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$out/files"
for f in /usr/bin/tarvel /usr/bin/tarvel-scan /usr/lib/tarvel/system/chkdsk \
         /usr/share/man/man1/tarvel.1.gz /usr/share/man/man1/tarvel-scan.1.gz \
         /usr/share/doc/tarvel/copyright /usr/share/doc/tarvel/changelog.gz \
         /usr/share/applications/tarvel.desktop /usr/share/metainfo/io.github.tarvel.Tarvel.metainfo.xml \
         /usr/share/icons/hicolor/32x32/apps/tarvel.png; do
    grep -qx "$f" "$out/files" || fail "$f is not in the package"
done

for page in "$source/man/tarvel.1" "$source/man/tarvel-scan.1"; do
    warnings=$(groff -ww -z -man "$page" 2>&1)
    [ -z "$warnings" ] || fail "$page: $warnings"
done

checked=0
if command -v lintian >/dev/null; then
    checked=1
    said=$(lintian "$deb" 2>&1 | grep -E '^[EW]: ')
    [ -z "$said" ] || fail "lintian: $said"
else
    echo "SKIP lintian: not installed"
fi
if command -v desktop-file-validate >/dev/null; then
    checked=1
    desktop-file-validate "$source/resources/tarvel.desktop" || fail "desktop-file-validate"
else
    echo "SKIP desktop-file-validate: not installed"
fi
if command -v appstreamcli >/dev/null; then
    checked=1
    appstreamcli validate --no-net "$source/resources/tarvel.metainfo.xml" || fail "appstreamcli validate"
else
    echo "SKIP appstreamcli: not installed"
fi
[ $status = 0 ] && [ $checked = 0 ] && exit 77
exit $status
