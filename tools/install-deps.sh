#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages named on the command line that are not installed yet.
# As root it runs apt-get without prompts (CI has no standard input); otherwise it prints
# the one line to run and fails, so that a build never half-starts without its libraries.
set -euo pipefail
missing=()
for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$pkg")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
if ! command -v apt-get >/dev/null 2>&1; then
    echo "Missing packages: ${missing[*]} (this set-up knows only apt-get; install them by hand)" >&2
    exit 1
fi
if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    echo "Installing: ${missing[*]}"
    apt-get update -q </dev/null
    apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    echo "Installing: ${missing[*]}"
    sudo -n env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null
    sudo -n env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
else
    echo "Some packages are missing. Please run:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
