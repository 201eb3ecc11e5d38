#!/usr/bin/env bash
# Fetches Debian's source package PACKAGE and unpacks it into FOLDER (as FOLDER/PACKAGE-VERSION/):
#   bash scripts/debian-source.sh PACKAGE FOLDER APT_FOLDER
# The machine's own apt sources are copied as deb-src entries into a private list in APT_FOLDER,
# with private state and cache folders there, so the system's apt configuration and package lists
# stay as they are. APT_FOLDER is made anew; FOLDER is made when missing. Needs dpkg-dev.
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: debian-source.sh PACKAGE FOLDER APT_FOLDER" >&2
  exit 2
fi
package=$1 folder=$2 apt=$3

rm -rf "$apt"
mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$folder"
# apt takes relative paths from its own configuration folder.
apt=$(realpath "$apt") folder=$(realpath "$folder")
: > "$apt/sources.list"
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list > "$apt/sources.list"
fi
for list in /etc/apt/sources.list.d/*.list; do
  [ -f "$list" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$list" >> "$apt/sources.list"
done
for sources in /etc/apt/sources.list.d/*.sources; do
  [ -f "$sources" ] && sed 's/^Types:.*/Types: deb-src/' "$sources" \
    > "$apt/sources.list.d/$(basename "$sources")"
done
options=(-o Dir::Etc::SourceList="$apt/sources.list"
  -o Dir::Etc::SourceParts="$apt/sources.list.d" -o Dir::State::Lists="$apt/lists"
  -o Dir::Cache="$apt/cache" -o APT::Sandbox::User="$(id -un)")
apt-get "${options[@]}" update -qq
cd "$folder"
apt-get "${options[@]}" source -qq "$package"
