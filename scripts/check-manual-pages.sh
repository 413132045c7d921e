#!/usr/bin/env bash
# The manual pages and the HTML manual against the programs: every option vantrel-cli's parser
# knows is in its manual page and in the manual's command-line chapter, with every verb; the
# page has its EXIT STATUS, ENVIRONMENT, FILES and EXAMPLES; every environment variable the
# programs read is in one of the two pages. Exits 77 (skipped) when help2man made no pages.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
cli="$build/cli/vantrel-cli"
[ -f "$build/data/vantrel-cli.1" ] || { echo "skipped: no manual pages (help2man)"; exit 77; }
page() { MANWIDTH=200 man -l "$build/data/$1.1" 2>/dev/null | col -b; }
cli_page=$(page vantrel-cli)
gui_page=$( [ -f "$build/data/vantrel.1" ] && page vantrel || true)
manual=$(sed 's/<[^>]*>//g' "$source_dir/data/manual/command-line.html")
help=$(ASAN_OPTIONS=detect_leaks=0 "$cli" --help-all)
failed=0
fail() { echo "$1"; failed=1; }

# The options: the first words of the help's option lines, -x and --long alike.
options=$(grep -oE '^ +-[-a-zA-Z,]+' <<<"$help" | tr ',' '\n' | tr -d ' ' | sort -u)
verbs=$(sed -n 's/^vantrel-cli \([a-z]*\) .*:$/\1/p' <<<"$help")
[ -n "$options" ] && [ -n "$verbs" ] || fail "no options or verbs found in vantrel-cli --help-all"
for option in $options; do
  grep -qF -- "$option" <<<"$cli_page" || fail "vantrel-cli(1) does not list $option"
  case $option in
    -h|--help|--help-all|-V|--version|-q|-v) ;;  # told once for all verbs
    *) grep -qF -- "$option" <<<"$manual" || fail "the manual's command-line chapter does not tell $option" ;;
  esac
done
for verb in $verbs; do
  grep -qE "vantrel-cli (\[OPTIONS\] )?$verb" <<<"$cli_page" || fail "vantrel-cli(1) does not list the verb $verb"
  grep -qE "vantrel-cli $verb" <<<"$manual" || fail "the manual's command-line chapter does not tell the verb $verb"
done
for section in 'EXIT STATUS' ENVIRONMENT FILES EXAMPLES; do
  grep -qx "$section" <<<"$cli_page" || fail "vantrel-cli(1) has no $section"
done
grep -qF '"format": 1' <<<"$manual" || fail "the manual does not tell the JSON outputs' \"format\": 1"

# Every variable the programs look up by name.
variables=$(grep -rhoE '(getenv|environment|qEnvironmentVariable|fromEnvironment\(environment,) ?\("?[A-Z_]{3,}"|"(XDG|VANTREL)_[A-Z_]+"' \
  "$source_dir"/app "$source_dir"/cli "$source_dir"/gui | grep -oE '[A-Z][A-Z_]{2,}' | sort -u)
for variable in $variables; do
  grep -qF "$variable" <<<"$cli_page$gui_page" || fail "no manual page tells the variable $variable"
done
[ "$failed" -eq 0 ] || exit 1
echo "vantrel-cli(1): $(wc -w <<<"$options") options, $(wc -w <<<"$verbs") verbs; $(wc -w <<<"$variables") variables"
