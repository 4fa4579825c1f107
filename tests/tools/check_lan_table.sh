#!/usr/bin/env bash
# The README's tables of the virtual LAN's hosts must be those the script's own host table gives:
# each table that "virtual-lan.sh table" prints for the default LAN must stand in the README as
# printed. Needs no root and no namespaces.
#   check_lan_table.sh tools/virtual-lan.sh README.md
set -euo pipefail
lan=$1 readme=$2

# The default LAN, whatever the caller's environment sets.
unset "${!VTL_@}"
printed=$("$lan" table)
# A table stands between blank lines: one with rows of its own more or less is another.
text=$'\n'$(<"$readme")$'\n\n'
failed=0 tables=0 block=""
while IFS= read -r line || [[ -n $block ]]; do
    if [[ -n $line ]]; then
        block+=$line$'\n'
        continue
    fi
    tables=$((tables + 1))
    if [[ $text != *$'\n\n'"$block"$'\n'* ]]; then
        printf '%s lacks this table (paste it from "%s table"):\n%s\n' "$readme" "$lan" "$block" >&2
        failed=1
    fi
    block=""
done <<<"$printed"$'\n'
((failed == 0)) || exit 1
echo "check_lan_table: $readme has the $tables tables of the default LAN's hosts"
