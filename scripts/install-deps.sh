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
# Ruffle comes from npm (for the player tests, and copied by the build into the program
# folder for the pages we write); Debian's nodejs and npm serve when no Node is on the PATH
# yet (a newer one that is already there is kept).
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [[ ${#missing[@]} -gt 0 ]]; then
  echo "Installing: ${missing[*]}" >&2
  if [[ $(id -u) -eq 0 ]]; then sudo=(); else sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# tools/player: Ruffle's web player (which the build copies into the program folder, so that
# ./run.sh needs it too) and playwright-core for the player tests, exactly as locked.
# Reinstalled only when node_modules is missing or older than the lock file.
player="$here/../tools/player"
if [[ -f "$player/package-lock.json" ]] \
   && { [[ ! -d "$player/node_modules" ]] || [[ "$player/package-lock.json" -nt "$player/node_modules" ]]; }; then
  echo "Installing the player harness's npm packages" >&2
  # A failure here stops nothing else: the build and the player tests then say what is missing.
  if (cd "$player" && npm ci --no-audit --no-fund --loglevel=error >/dev/null); then
    touch "$player/node_modules"
  else
    echo "warning: npm ci failed in tools/player; the program folder lacks Ruffle and the player tests cannot run" >&2
  fi
fi
