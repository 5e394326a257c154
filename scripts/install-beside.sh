#!/usr/bin/env bash
# Installs Debian packages beside what the machine has, never in its place:
# no installed package is removed or downgraded, whatever the indexes offer.
# An installed package may be upgraded where a new one needs it, as apt
# does for any install.
#
#   install-beside.sh PACKAGE...
#   install-beside.sh --missing PACKAGE...   only name, one a line, those
#                                            not installed
#
# Packages already installed are left as they are. apt plans the install
# first, without doing it; a plan that removes or downgrades anything is
# refused before a single package changes, and the install itself keeps
# the same guards.
#
# Exit status: 0 installed (or nothing was missing); 3 refused, with apt's
# own words on standard output and nothing changed; 1 the install failed
# after a plan that was allowed.
set -uo pipefail

list_only=false
if [ "${1:-}" = --missing ]; then list_only=true; shift; fi
(($#)) || { echo "usage: install-beside.sh [--missing] PACKAGE..." >&2; exit 2; }
export DEBIAN_FRONTEND=noninteractive

# What is installed, from the status file that apt itself reads.
status_file=$(apt-config shell s Dir::State::status/f | sed -n "s/^s='\(.*\)'$/\1/p")
missing=()
for p in "$@"; do
  dpkg-query --admindir="$(dirname "${status_file:-/var/lib/dpkg/status}")" -W -f='${Status}' "$p" 2>/dev/null \
    | grep -q 'install ok installed' || missing+=("$p")
done
if $list_only; then
  ((${#missing[@]} == 0)) || printf '%s\n' "${missing[@]}"
  exit 0
fi
((${#missing[@]})) || exit 0

# apt's reasons, without its progress lines and its plan's own lines.
apt_words() {
  grep -v -e '^Reading ' -e '^Building ' -e '^NOTE: This is only a simulation' -e '^      apt-get needs root' \
    -e '^      Keep also in mind' -e '^Inst ' -e '^Conf ' -e '^Remv ' -e '^$' || true
}
# The guards, set here whatever a site's apt.conf says: --no-remove
# refuses a plan that removes anything, and the options refuse one that
# downgrades anything, removes an essential package or changes a held one,
# each in apt's own words. dpkg keeps a conffile that the site changed
# (and takes a new one it did not), instead of asking on a standard input
# that nobody answers.
guards=(-y --no-remove --no-install-recommends
        -o APT::Get::allow-downgrades=false -o APT::Get::Force-Yes=false
        -o APT::Get::allow-remove-essential=false -o APT::Get::allow-change-held-packages=false
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold)
if ! plan=$(apt-get -s "${guards[@]}" install "${missing[@]}" 2>&1); then
  apt_words <<<"$plan"
  exit 3
fi
echo "Installing: ${missing[*]}" >&2
apt-get install -qq "${guards[@]}" "${missing[@]}" >/dev/null </dev/null || exit 1
