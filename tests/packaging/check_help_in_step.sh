#!/usr/bin/env bash
# Checks that a program's manual page and its --help list the same options,
# and that --version and the page carry the project version.
#   check_help_in_step.sh PROGRAM MANPAGE VERSION [COMPLETION]
# With COMPLETION (a bash completion script), every option of --help must
# also be offered there.
set -euo pipefail
program=$1 page=$2 version=$3 completion=${4:-}
name=$(basename "$page" .1)
fail=0

# Options of the help: the first words of its option lines.
help_options=$("$program" --help | grep -E '^ +-' | grep -oE '(^| |,)--?[a-zA-Z][a-zA-Z0-9-]*' |
               sed 's/^[ ,]//' | sort -u)
# Options the page describes: those of its .TP items.
page_options=$(awk '/^\.TP/ { getline; print }' "$page" | grep -oE '\\-(\\-)?[a-zA-Z][a-zA-Z0-9\\-]*' |
               sed 's/\\-/-/g' | sort -u)

missing=$(comm -23 <(echo "$help_options") <(echo "$page_options"))
extra=$(comm -13 <(echo "$help_options") <(echo "$page_options"))
if [[ -n $missing ]]; then echo "$page: not described: $(echo $missing)"; fail=1; fi
if [[ -n $extra ]]; then echo "$page: no such option in $name --help: $(echo $extra)"; fail=1; fi

if ! grep -q "^\.TH .*\"quilve $version\"" "$page"; then
  echo "$page: .TH does not carry version $version"; fail=1
fi
got=$("$program" --version)
if [[ $got != "$name $version" ]]; then
  echo "$name --version printed '$got', expected '$name $version'"; fail=1
fi

if [[ -n $completion ]]; then
  offered=$(grep -oE '(^|[" ])--?[a-zA-Z][a-zA-Z0-9-]*' "$completion" | sed 's/^[" ]//' | sort -u)
  lacking=$(comm -23 <(echo "$help_options") <(echo "$offered"))
  if [[ -n $lacking ]]; then echo "$completion: does not offer $(echo $lacking)"; fail=1; fi
fi
[[ $fail == 0 ]] && echo "$name: manual page, --help and --version agree ($(echo $help_options | wc -w) options)"
exit $fail
