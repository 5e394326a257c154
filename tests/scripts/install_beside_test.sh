#!/usr/bin/env bash
# scripts/install-beside.sh against a real apt and dpkg that work on a
# sandbox of their own (a package archive on disk, a dpkg database and a
# root in a scratch folder), so that the machine's own packages are never
# touched. A library installed at its security update meets:
#  - a 32-bit index that lags behind: the security suite's i386 index
#    does not match its release file, as on a mirror caught mid-sync;
#  - a site's pin that would take the library back to the release;
#  - whole indexes, where the 32-bit library installs beside the 64-bit one;
#  - a site's apt.conf that allows downgrades and changes to held packages,
#    which the guards override;
#  - an upgrade that meets a conffile the site changed, with no standard
#    input to ask on.
set -uo pipefail

beside=$(realpath "$(dirname "$0")/../../scripts/install-beside.sh")
. "$(dirname "$0")/../support/checks.sh"
sandbox=$(mktemp -d /tmp/dorvane-apt.XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
archive=$sandbox/archive root=$sandbox/root
mkdir -p "$archive/pool" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info" "$sandbox/lists/partial" \
  "$sandbox/cache/archives/partial" "$sandbox/etc/preferences.d" "$sandbox/etc/apt.conf.d" \
  "$sandbox/etc/sources.list.d" "$sandbox/log"
touch "$root/var/lib/dpkg/status"

package() {  # package SUITE NAME VERSION ARCH [DEPENDS [CONFFILE-CONTENT]]
  local tree=$sandbox/tree/$2_$3_$4 file=pool/$2_$3_$4.deb index=$archive/dists/$1/main/binary-$4
  mkdir -p "$tree/DEBIAN" "$index"
  if [ -n "${6:-}" ]; then  # a conffile, /etc/NAME.conf
    mkdir -p "$tree/etc"
    printf '%s\n' "$6" >"$tree/etc/$2.conf"
    echo "/etc/$2.conf" >"$tree/DEBIAN/conffiles"
  fi
  printf 'Package: %s\nVersion: %s\nArchitecture: %s\nMaintainer: t <t@example.org>\nMulti-Arch: same\n%sDescription: t\n' \
    "$2" "$3" "$4" "${5:+Depends: $5
}" >"$tree/DEBIAN/control"
  dpkg-deb -Zgzip --build "$tree" "$archive/$file" >/dev/null
  { cat "$tree/DEBIAN/control"
    printf 'Filename: %s\nSize: %s\nSHA256: %s\n\n' "$file" "$(stat -c %s "$archive/$file")" \
      "$(sha256sum <"$archive/$file" | cut -d' ' -f1)"; } >>"$index/Packages"
}
release() {  # release SUITE
  (cd "$archive/dists/$1" &&
   { printf 'Suite: %s\nCodename: %s\nDate: Tue, 01 Dec 2026 00:00:00 UTC\nArchitectures: amd64 i386\n' "$1" "$1"
     printf 'Components: main\nSHA256:\n'
     for index in main/binary-*/Packages; do
       printf ' %s %s %s\n' "$(sha256sum <"$index" | cut -d' ' -f1)" "$(stat -c %s "$index")" "$index"
     done; } >Release)
}
for arch in amd64 i386; do
  package stable libfoo 1.0 "$arch"
  package security libfoo 1.1 "$arch"
done
package stable server 1.0 amd64 libfoo
release stable
release security
printf 'deb [trusted=yes] file:%s stable main\ndeb [trusted=yes] file:%s security main\n' "$archive" "$archive" \
  >"$sandbox/etc/sources.list"
cat >"$sandbox/apt.conf" <<CONF
Dir::State "$sandbox"; Dir::State::lists "$sandbox/lists"; Dir::State::status "$root/var/lib/dpkg/status";
Dir::Cache "$sandbox/cache"; Dir::Etc "$sandbox/etc"; Dir::Log "$sandbox/log";
Dir::Etc::sourcelist "$sandbox/etc/sources.list"; Dir::Etc::sourceparts "$sandbox/etc/sources.list.d";
Dir::Etc::parts "$sandbox/etc/apt.conf.d"; Dir::Etc::preferencesparts "$sandbox/etc/preferences.d";
APT::Architecture "amd64"; APT::Architectures { "amd64"; };
Debug::NoLocking "true"; APT::Sandbox::User "root";
DPkg::Options { "--root=$root"; "--force-not-root"; "--force-bad-path"; };
CONF
export APT_CONFIG=$sandbox/apt.conf
apt() { "$@" >"$sandbox/apt.log" 2>&1 || { cat "$sandbox/apt.log"; return 1; }; }
installed() { dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Package}:${Architecture} ${Version}\n' | sort | tr '\n' ' '; }

echo "== the machine: a server on a library at its security update, 64-bit only"
apt apt-get update -qq
apt "$beside" server libfoo
check "both installed, the library from the security suite" same "libfoo:amd64 1.1 server:amd64 1.0 " "$(installed)"

echo "== i386 added; the security suite's i386 index lags behind its release file"
echo i386 >"$root/var/lib/dpkg/arch"
sed -i 's/APT::Architectures { "amd64"; };/APT::Architectures { "amd64"; "i386"; };/' "$sandbox/apt.conf"
echo >>"$archive/dists/security/main/binary-i386/Packages"
apt-get update -qq >/dev/null 2>&1
check "apt-get update fails, as on such a mirror" test $? -ne 0
status_before=$(cat "$root/var/lib/dpkg/status")
words=$("$beside" libfoo:i386)
check "the 32-bit library is refused, status 3" same 3 "$?"
check "in apt's words: it would remove what is there" grep -q "remove is disabled" <<<"$words"
check "nothing changed" same "$status_before" "$(cat "$root/var/lib/dpkg/status")"

echo "== the index whole again, a site's pin that prefers the release, and its apt.conf that allows downgrades"
release security
apt apt-get update -qq
printf 'Package: *\nPin: release n=stable\nPin-Priority: 1001\n' >"$sandbox/etc/preferences.d/stable"
# From here on, the site's apt.conf would let apt downgrade, force, and
# change held packages: the guards hold all the same.
printf 'APT::Get::allow-downgrades "true";\nAPT::Get::Force-Yes "true";\nAPT::Get::allow-change-held-packages "true";\n' \
  >"$sandbox/etc/apt.conf.d/99site"
words=$("$beside" libfoo:i386 2>&1)
check "the 32-bit library is refused, status 3" same 3 "$?"
check "in apt's words: it would downgrade what is there" grep -q "Packages were downgraded" <<<"$words"
check "nothing changed" same "$status_before" "$(cat "$root/var/lib/dpkg/status")"

echo "== no pin: the 32-bit library installs beside the 64-bit one"
rm "$sandbox/etc/preferences.d/stable"
apt "$beside" libfoo:i386 libfoo
check "both at the security update, the server kept" same "libfoo:amd64 1.1 libfoo:i386 1.1 server:amd64 1.0 " \
  "$(installed)"

echo "== a held library that a new package would upgrade"
echo "libfoo:amd64 hold" | dpkg --admindir="$root/var/lib/dpkg" --set-selections
status_before=$(cat "$root/var/lib/dpkg/status")
package security libfoo 1.2 amd64
package security libfoo 1.2 i386
package security newer 1.0 amd64 "libfoo (>= 1.2)"
release security
apt apt-get update -qq
words=$("$beside" newer 2>&1)
check "the plan is refused, status 3" same 3 "$?"
check "in apt's words: the held package is kept" grep -q "held broken packages" <<<"$words"
check "nothing changed" same "$status_before" "$(cat "$root/var/lib/dpkg/status")"
echo "libfoo:amd64 install" | dpkg --admindir="$root/var/lib/dpkg" --set-selections

echo "== an allowed upgrade meets a conffile the site changed"
package stable conf 1.0 amd64 "" "setting = shipped"
release stable
apt apt-get update -qq
apt "$beside" conf
echo "setting = the site's own" >"$root/etc/conf.conf"
package security conf 1.1 amd64 "" "setting = shipped anew"
package security client 1.0 amd64 "conf (>= 1.1)"
release security
apt apt-get update -qq
"$beside" client >"$sandbox/beside.log" 2>&1 </dev/null
check "it installs, with nobody to answer dpkg" same 0 "$?"
check "the upgrade is configured" same "install ok installed 1.1" \
  "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status} ${Version}' conf)"
check "and the site's conffile kept" same "setting = the site's own" "$(cat "$root/etc/conf.conf")"

checks_done
