#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are not installed yet.
# Idempotent: when everything is present it does nothing and needs no root.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
missing=()
while read -r pkg; do
  [[ -z "$pkg" || "$pkg" == \#* ]] && continue
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done < "$here/packages.txt"
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi
echo "setup: installing missing packages: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "setup: these packages are missing and installing them needs root:" >&2
  echo "setup:   sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
