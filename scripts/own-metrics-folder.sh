#!/usr/bin/env bash
# Runs a command with a metrics folder of its own: in a mount namespace in
# which DIR stands at /var/lib/prometheus/node-exporter, the folder of the
# machine's node exporter, whether the machine has that folder or not, and
# node_exporter's units, where the machine has them, are hidden (they could
# name another folder, which the program would follow). What
# the program writes there lands in DIR; the machine's folders stay as they
# are. The tests, the demo and the benchmark run the program through it, so
# that a machine whose Prometheus collects that folder never publishes
# their runs.
#
#   own-metrics-folder.sh DIR COMMAND [ARG...]
#   own-metrics-folder.sh --check     exit status 0 where DIR can be given,
#                                     77 and the reason where it cannot
#
# The command takes this process's place (the same pid), as a test that
# signals the program expects.
#
# Where no private mount namespace can be made (a chroot, whose root is no
# mount point, or a container without the right), the command runs as it
# is when the machine has no such folder and no node_exporter unit, since
# nothing can then be written there; DIR stays empty. Where the machine has
# either, it does not run at all: exit status 77, and the reason.
set -euo pipefail
collector=/var/lib/prometheus/node-exporter
# node_exporter's units and their drop-in folders, as the program looks for
# them, where they are.
units=()
for folder in /etc/systemd/system /run/systemd/system /usr/local/lib/systemd/system /lib/systemd/system \
  /usr/lib/systemd/system; do
  for name in prometheus-node-exporter node_exporter node-exporter; do
    for path in "$folder/$name.service" "$folder/$name.service.d"; do
      [ ! -e "$path" ] || units+=("$path")
    done
  done
done
# Root makes a mount namespace; anybody else a user namespace too.
namespace=(--mount)
[ "$(id -u)" = 0 ] || namespace=(--user --map-root-user --mount)

isolation_trouble() {
  local words
  words=$(unshare "${namespace[@]}" --propagation private -- true 2>&1) && return 0
  echo "no private mount namespace here (${words:-unshare failed})"
}

if [ "${1:-}" = --check ]; then
  trouble=$(isolation_trouble)
  [ -z "$trouble" ] || { echo "$trouble"; exit 77; }
  exit 0
fi
dir=$(realpath -e "${1:?usage: own-metrics-folder.sh DIR COMMAND [ARG...]}")
shift
trouble=$(isolation_trouble)
if [ -n "$trouble" ]; then
  [ ! -e "$collector" ] && [ ${#units[@]} = 0 ] && exec "$@"
  echo "own-metrics-folder.sh: $trouble, and the machine has $collector or node_exporter's units: not run" >&2
  exit 77
fi
# shellcheck disable=SC2016  # expanded by the inner shell
exec unshare "${namespace[@]}" --propagation private -- bash -euo pipefail -c '
  collector=$1 dir=$2; shift 2
  if [ ! -d "$collector" ]; then
    # Made where the machine has none: /var/lib seen through an overlay
    # whose changes live in memory, on a tmpfs of this namespace alone.
    mount -t tmpfs -o mode=0700 own-metrics /mnt
    mkdir /mnt/upper /mnt/work
    mount -t overlay -o lowerdir=/var/lib,upperdir=/mnt/upper,workdir=/mnt/work own-metrics /var/lib
    mkdir -p "$collector"
  fi
  mount --bind "$dir" "$collector"
  while [ "$1" != -- ]; do
    if [ -d "$1" ]; then mount -t tmpfs -o mode=0755 no-units "$1"; else mount --bind /dev/null "$1"; fi
    shift
  done
  shift
  exec "$@"' own-metrics-folder "$collector" "$dir" "${units[@]}" -- "$@"
