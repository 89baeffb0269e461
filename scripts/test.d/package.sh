#!/usr/bin/env bash
# The Debian package as a packager checks it: scripts/package.sh builds it, lintian
# finds no error and no warning and no missing hardening (fortified functions, bindnow,
# relro, PIE), and the package's changelog names the version that the package carries.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "package test: $*" >&2; exit 1; }

work=$(mktemp -d /tmp/package-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The package this run builds: packages of earlier versions may lie beside it.
touch "$work/started"
scripts/package.sh >"$work/build.log" 2>&1 || { cat "$work/build.log" >&2; fail "scripts/package.sh failed"; }
mapfile -t debs < <(find build/package -maxdepth 1 -name 'ovk-dovaru_*.deb' -newer "$work/started")
[ ${#debs[@]} -eq 1 ] || fail "expected one package built by scripts/package.sh, found: ${debs[*]:-none}"
deb=${debs[0]}

echo "-- lintian $deb"
# (lintian's remark that it runs as root goes to standard error and is left out)
lintian --fail-on error,warning "$deb" 2>/dev/null || { lintian "$deb" >&2; fail "lintian reports errors or warnings"; }
hardening=$(lintian --display-info --tags hardening-no-fortify-functions,hardening-no-bindnow,hardening-no-relro,hardening-no-pie \
            "$deb" 2>/dev/null)
[ -z "$hardening" ] || fail "built without Debian's hardening flags: $hardening"

echo "-- changelog"
dpkg-deb -x "$deb" "$work"
gunzip -c "$work/usr/share/doc/ovk-dovaru/changelog.gz" >"$work/changelog"
logged=$(dpkg-parsechangelog -l "$work/changelog" -S Version)
packaged=$(dpkg-deb -f "$deb" Version)
[ "$logged" = "$packaged" ] || fail "the changelog's newest entry is $logged, the package is $packaged"
echo "package test: 1 passed, 0 failed"
