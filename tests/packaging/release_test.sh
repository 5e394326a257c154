#!/usr/bin/env bash
# The release as a site checks it, from the commit checked out (HEAD):
# scripts/package.sh run twice, in two clones, at two times and in two time
# zones, the second by another user (nobody) under another umask (002) in a
# deeper folder, gives the same bytes for every artifact; SHA256SUMS passes
# `sha256sum -c`; and with a throwaway certificate the programs and MSIs are
# signed, osslsigncode verifies them against that certificate, and the
# signed MSIs install under Wine.
#
#   release_test.sh
set -uo pipefail

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel) || exit 1
work=$(mktemp -d /tmp/dorvane-release.XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY SOURCE_DATE_EPOCH DORVANE_SIGN_PFX DORVANE_SIGN_PASSWORD_FILE DORVANE_SIGN_TIMESTAMP_URL
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT

. "$(dirname "$0")/../support/checks.sh"

package() {  # package CLONE [env...]: package.sh in a fresh clone of HEAD, as root under umask 022
  git clone -q "$repo" "$work/$1" &&
    (cd "$work/$1" && umask 022 && env "${@:2}" bash scripts/package.sh >"$work/$1.log" 2>&1) ||
    { tail -n 20 "$work/$1.log"; return 1; }
}
# The same by another builder: nobody, under Ubuntu's umask for users.
package_as_nobody() {  # package_as_nobody CLONE [env...]
  git clone -q "$repo" "$work/$1" && chown -R nobody:nogroup "$work/$1" &&
    (cd "$work/$1" && setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work/$1" "${@:2}" \
       bash -c 'umask 002 && exec bash scripts/package.sh' >"$work/$1.log" 2>&1) ||
    { tail -n 20 "$work/$1.log"; return 1; }
}
artifacts() { (cd "$1" && ls -- *.deb *.msi *.zip *.yml 2>/dev/null); }

echo "== two builds of $(git -C "$repo" rev-parse --short HEAD), in two folders, times, time zones, users and umasks"
chmod 755 "$work"  # for nobody's build
mkdir -p "$work/a/deeper/folder"
check "the first build" package one TZ=America/Lima
check "the second build, later, by nobody under umask 002" package_as_nobody a/deeper/folder/two TZ=Asia/Kolkata
one=$work/one/dist two=$work/a/deeper/folder/two/dist
check "six artifacts" same 6 "$(artifacts "$one" | wc -l)"
check "the same names" same "$(artifacts "$one")" "$(artifacts "$two")"
for artifact in $(artifacts "$one"); do
  check "$artifact: the same bytes" cmp "$one/$artifact" "$two/$artifact"
done
check "SHA256SUMS lists them all" same "$(artifacts "$one")" "$(awk '{ print $2 }' "$one/SHA256SUMS" | sort)"
check "sha256sum -c SHA256SUMS passes" bash -c 'cd "$0" && sha256sum --quiet -c SHA256SUMS' "$one"
built_at=$(git -C "$repo" log -1 --format=%ct)
check "the time in them is the commit's" same "$(TZ=UTC date -d "@$built_at" '+%Y-%m-%d %H:%M')" \
  "$(TZ=UTC dpkg-deb -c "$one"/*.deb | awk '$NF == "./opt/dorvane/dorvane" { print $4, $5 }')"

echo "== signed with a throwaway certificate"
keys=$work/keys
mkdir -p "$keys"
printf 'a throwaway password\n' >"$keys/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=dorvane test signing" \
  -addext extendedKeyUsage=codeSigning -keyout "$keys/key.pem" -out "$keys/cert.pem" >/dev/null 2>&1 &&
  openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/sign.pfx" \
    -passout "file:$keys/password" >/dev/null 2>&1
check "the certificate is made" test -s "$keys/sign.pfx"
check "the signed build" package signed "DORVANE_SIGN_PFX=$keys/sign.pfx" "DORVANE_SIGN_PASSWORD_FILE=$keys/password"
signed=$work/signed/dist
verified() { osslsigncode verify -CAfile "$keys/cert.pem" -in "$1" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; false; }; }
for arch in x64 x86; do
  mkdir -p "$work/zip-$arch"
  (cd "$work/zip-$arch" && unzip -q "$signed"/dorvane-*-"$arch".zip)
  exe=$(ls "$work/zip-$arch"/*/dorvane.exe)
  check "the $arch program in the zip verifies" verified "$exe"
  check "and its console companion" verified "$(ls "$work/zip-$arch"/*/dorvane.com)"
  check "the $arch MSI verifies" verified "$signed"/dorvane-*-"$arch".msi
  check "unsigned, the $arch program is the unsigned build's" cmp \
    <(osslsigncode remove-signature -in "$exe" -out "$work/unsigned-$arch.exe" >/dev/null 2>&1 && cat "$work/unsigned-$arch.exe") \
    <(unzip -p "$one"/dorvane-*-"$arch".zip "*/dorvane.exe")
done
check "an unsigned build verifies not" bash -c '! osslsigncode verify -CAfile "$0" -in "$1" >/dev/null 2>&1' \
  "$keys/cert.pem" "$(ls "$one"/dorvane-*-x64.msi)"

echo "== the signed MSIs install under Wine"
. "$(dirname "$0")/../windows/wine_loader.sh" x64 "$work/bin"
wine wineboot -i >/dev/null 2>&1
wineserver -w
msiexec() { wine msiexec "$@" >/dev/null 2>&1; local rc=$?; wineserver -w; return $rc; }
for arch in x64 x86; do
  case $arch in x64) folder="Program Files" ;; x86) folder="Program Files (x86)" ;; esac
  msi=$(ls "$signed"/dorvane-*-"$arch".msi)
  msiexec /i "$msi" /qn
  check "the signed $arch MSI installs" same 0 "$?"
  check "and puts the signed program in place" cmp "$(ls "$work/zip-$arch"/*/dorvane.exe)" \
    "$WINEPREFIX/drive_c/$folder/dorvane/dorvane.exe"
  for file in dorvane.exe dorvane.com dorvane-messages.dll; do
    check "the installed $file verifies" verified "$WINEPREFIX/drive_c/$folder/dorvane/$file"
  done
  msiexec /x "$msi" /qn
  check "and removes it" same 0 "$?"
done

checks_done
