#!/usr/bin/env bash
# The man page and the bash completion keep up with zelhost: every command its
# --help lists has a man page section and is completed; every option of a
# command's help (usage lines and option lines) and every global option is in its
# man page section and is completed; so is every action of a command that has
# actions. Profile names are completed from zelhost itself.
# zelhost_docs.sh ZELHOST MAN_PAGE COMPLETION_FILE
set -euo pipefail
zelhost=$1 man=$2 completion=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Completion candidates for a command line whose last word is being typed.
complete_words() {
    bash -c '
        . "$1"
        shift
        COMP_WORDS=("$@")
        COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
        _zelhost
        printf "%s\n" "${COMPREPLY[@]}"
    ' complete "$completion" "$zelhost" "$@"
}

# The man page text of one command's section (from ".SS NAME" to the next section).
man_section() {
    awk -v name="$1" '/^\.S[SH] / { inside = ($0 == ".SS " name) ; next } inside' "$man"
}

# Options named in text: words that begin with "-" (as roff writes them, "\-").
options_in() {
    { grep -oE '(^|[^a-zA-Z0-9])-{1,2}[a-zA-Z][a-zA-Z-]*' || true; } | sed -E 's/^[^-]*//' | sort -u
}

commands=$("$zelhost" --help | sed -n '/^Commands:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
[ "$(wc -w <<<"$commands")" -ge 5 ] || fail "cannot read the commands from zelhost --help"
offered=$(complete_words "")
global=$("$zelhost" --help | sed -n '/^Options:/,/^$/p' | grep -E '^  -' | cut -c1-22 | options_in)
offered_options=$(complete_words "-")

# (Every check reads captured text: "grep -q" in a pipe may end the writer early.)
for option in $global; do
    grep -qF -- "$(sed 's/-/\\-/g' <<<"$option")" "$man" || fail "the man page does not describe $option"
    grep -qxF -- "$option" <<<"$offered_options" || fail "the completion does not offer $option"
done

for command in $commands; do
    section=$(man_section "$command")
    [ -n "$section" ] || fail "the man page has no section for '$command' (tools/zelhost/man/commands/$command.roff)"
    grep -qxF "$command" <<<"$offered" || fail "the completion does not offer the command '$command'"
    [ "$command" = help ] && continue
    help=$("$zelhost" "$command" --help)
    # Options: those of the usage lines and of the lines that describe one ("  -t, --to DEST   ...").
    usage=$(sed -n '1,/^$/p' <<<"$help" | sed 's/^Usage: //'; sed -nE 's/^ +(-[^ ].*)/\1/p' <<<"$help" | sed -E 's/  .*//')
    section_text=$(sed 's/\\-/-/g' <<<"$section")
    command_options=$(complete_words "$command" "-")
    for option in $(options_in <<<"$usage"); do
        grep -qxF -- "$option" <<<"$global" && continue
        grep -qF -- "$option" <<<"$section_text" || fail "the man page section of '$command' lacks $option"
        grep -qxF -- "$option" <<<"$command_options" || fail "the completion of '$command' lacks $option"
    done
    # Actions of a command that has them ("Actions:" block, one "  name ..." line each).
    actions=$(sed -n '/^Actions:/,/^$/p' <<<"$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
    offered_actions=$(complete_words "$command" "")
    for action in $actions; do
        grep -qE "^\.(B|BR|BI) $action( |\$)" <<<"$section" || fail "the man page section of '$command' lacks its action '$action'"
        grep -qxF -- "$action" <<<"$offered_actions" || fail "the completion of '$command' lacks its action '$action'"
    done
done

profiles=$(complete_words "--profile" "")
grep -qx "xpl-db" <<<"$profiles" || fail "the completion offers no built-in profile names: $profiles"
[ "$(complete_words "m")" = mkdir ] || fail "the completion of 'm' is not mkdir"
echo "man page and completion cover: $(echo $commands)"
