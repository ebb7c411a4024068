#!/usr/bin/env bash
# Fails when an include runs upward through the layers, or reaches into
# another layer's internal headers. Layers, bottom to top (a file may
# include headers of its own layer and of the layers before it):
#
#   core paths formats script definitions data ui output app admin apprun appcontrol
#
# Inside ui/, the toolkit interface (ui/platform) sees only the core, and a
# backend (ui/headless, ui/qt) only the core, the interface and itself.
# Tests, benchmarks and fuzz targets may include anything.
#   scripts/check-layers.sh [source-root]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

layers=(core paths formats script definitions data ui output app admin apprun appcontrol)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

# The part of ui a file belongs to: platform, headless, qt or ui.
ui_part() {
  case "$1" in
    ui/platform/*) echo platform ;;
    ui/headless/*) echo headless ;;
    ui/qt/*) echo qt ;;
    *) echo ui ;;
  esac
}

bad=0
checked=0
while IFS= read -r file; do
  top=${file%%/*}
  [ -n "${rank[$top]:-}" ] || continue
  checked=$((checked + 1))
  line_no=0
  while IFS= read -r line; do
    line_no=$((line_no + 1))
    [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]] || continue
    inc=${BASH_REMATCH[1]}
    itop=${inc%%/*}
    [ -n "${rank[$itop]:-}" ] || continue
    why=""
    if [ "${rank[$itop]}" -gt "${rank[$top]}" ]; then
      why="includes a layer above it ($itop over $top)"
    elif [[ $inc == */internal/* && $itop != "$top" ]]; then
      why="includes another layer's internal header"
    elif [ "$top" = ui ] && [ "$itop" = ui ]; then
      from=$(ui_part "$file") to=$(ui_part "$inc")
      case "$from:$to" in
        platform:platform | headless:headless | headless:platform | qt:qt | qt:platform | ui:*) ;;
        *) why="ui/$from may not include ui/$to" ;;
      esac
    fi
    if [ -n "$why" ]; then
      echo "$file:$line_no: $why: $inc"
      bad=$((bad + 1))
    fi
  done < "$file"
done < <(find "${layers[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | sort)

if [ "$bad" -gt 0 ]; then
  echo "$bad include(s) against the layers in $checked files"
  exit 1
fi
echo "layers: $checked files, no include against the layers"
