#!/usr/bin/env bash
# Installs every Debian package listed in scripts/packages.txt that is not yet installed.
# Idempotent: a machine that has everything installs nothing. Runs as root or through sudo.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mapfile -t wanted < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$here/packages.txt" | grep -v '^$')

# One dpkg-query call for the whole list keeps the everything-installed case fast.
mapfile -t installed < <(dpkg-query -W -f='${Package} ${Status}\n' "${wanted[@]}" 2>/dev/null \
  | awk '$2 == "install" && $3 == "ok" && $4 == "installed" { print $1 }' | sed 's/:.*//')
missing=()
for pkg in "${wanted[@]}"; do
  [[ " ${installed[*]} " == *" $pkg "* ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}" >&2
if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
