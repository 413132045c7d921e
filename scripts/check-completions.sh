#!/usr/bin/env bash
# The shell completions against the program: each names every verb and every option that
# vantrel-cli's parser knows, and bash's completes verbs, options, option values and database
# files (.mdb, .accdb) but not other files. zsh and fish check their scripts' syntax when they
# are installed.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cli="$(cd "$1" && pwd)/cli/vantrel-cli"
completions="$source_dir/data/completions"
help=$(ASAN_OPTIONS=detect_leaks=0 "$cli" --help-all)
options=$(grep -oE '^ +-[-a-zA-Z,]+' <<<"$help" | tr ',' '\n' | tr -d ' ' | grep -- '^--' | sort -u)
verbs=$(sed -n 's/^vantrel-cli \([a-z]*\) .*:$/\1/p' <<<"$help")
failed=0
fail() { echo "$1"; failed=1; }
# A word as it stands whole in a script: fish names long options "-l NAME".
names() {
  local word
  for word in $options $verbs; do
    case $1:$word in
      fish:--*) echo "-l ${word#--}" ;;
      *) echo "$word" ;;
    esac
  done
}
for script in vantrel-cli.bash:bash _vantrel-cli:zsh vantrel-cli.fish:fish; do
  while read -r word; do
    grep -qE -- "(^|[^-a-z])$word([^-a-z]|$)" "$completions/${script%%:*}" ||
      fail "${script%%:*} does not complete $word"
  done < <(names "${script##*:}")
done

# What bash offers after the words given; the last is the one being completed.
complete_bash() {
  bash -c '
    shopt -s extglob
    compopt() { :; }  # outside a completion, compopt has nothing to change
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _vantrel_cli
    printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$completions/vantrel-cli.bash" "$@"
}
expect() {
  local want=$1
  shift
  local got
  got=$(complete_bash "$@")
  [ "$got" = "$want" ] || fail "bash: vantrel-cli ${*:2}: offered '$got', not '$want'"
}
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/sub"
touch "$folder/a.mdb" "$folder/b.accdb" "$folder/c.txt"
cd "$folder"
expect "table " vantrel-cli ta
expect "--format " vantrel-cli table --fo
expect "csv json tsv " vantrel-cli table x.mdb T --format ""
expect "ask " vantrel-cli repair --overwrite a
expect "repair " vantrel-cli help rep
expect "a.mdb b.accdb sub " vantrel-cli analyze ""
expect "--quiet " vantrel-cli repair --qu

command -v zsh >/dev/null && { zsh -n "$completions/_vantrel-cli" || fail "zsh: syntax"; }
command -v fish >/dev/null && { fish -n "$completions/vantrel-cli.fish" || fail "fish: syntax"; }
[ "$failed" -eq 0 ] || exit 1
echo "completions: $(wc -w <<<"$options") options and $(wc -w <<<"$verbs") verbs in each; bash completes them"
