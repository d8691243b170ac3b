#!/bin/bash
# Holds the libraries to their layers: the root CMakeLists.txt adds lib/<folder> lowest
# layer first, and a folder's sources may include only their own folder's headers and
# those of folders added before it. Prints every include that runs up, and fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

mapfile -t layers < <(sed -n 's|^add_subdirectory(lib/\([A-Za-z0-9]*\))|\1|p' CMakeLists.txt)
declare -A rank=()
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

status=0
for dir in lib/*/; do
  folder=$(basename "$dir")
  if [[ -z ${rank[$folder]+x} ]]; then
    echo "lib/$folder is not in the root CMakeLists.txt's list of layers"
    status=1
  fi
done

while IFS=: read -r file line text; do
  from=${file#lib/}; from=${from%%/*}
  to=$(sed -n 's|.*#include "\([A-Za-z0-9]*\)/.*|\1|p' <<<"$text")
  [[ -z $to || -z ${rank[$from]+x} ]] && continue
  if [[ -z ${rank[$to]+x} ]]; then
    echo "$file:$line: includes $to/, which is no library folder"
    status=1
  elif ((rank[$to] > rank[$from])); then
    echo "$file:$line: $from includes $to, a layer above it"
    status=1
  fi
done < <(git ls-files -co --exclude-standard 'lib/*.h' 'lib/*.cpp' 'lib/*.rc' | xargs grep -n '#include "[A-Za-z0-9]*/' || true)

if ((status == 0)); then
  echo "layers, lowest first: ${layers[*]}; no include runs up"
fi
exit $status
