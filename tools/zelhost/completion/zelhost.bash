# bash completion for zelhost: commands, options and profile names.
# Installed as share/bash-completion/completions/zelhost. A new command adds its
# name to _zelhost_commands and its options to the case below.

_zelhost_commands="demo devices info ls put mkdir rm db playlist uploads get game format firmware eject rebuild profiles help"
_zelhost_playlist_actions="list show create rename add store purge"
_zelhost_upload_kinds="music video photo"
_zelhost_game_actions="install"
_zelhost_moods="1 2 3 4 calm upbeat wistful dreamy"
_zelhost_global_options="--player --card --profile --json -v --verbose --use-player-library --fat-names -h --help --version"

# The built-in profile names, from the zelhost being completed.
_zelhost_profiles() {
    "$1" profiles 2>/dev/null | while read -r name _; do printf '%s\n' "$name"; done
}

_zelhost() {
    local cur prev words cword
    if declare -F _init_completion >/dev/null 2>&1; then
        _init_completion -n = || return
    else
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD - 1]}
    fi
    local program=${words[0]}
    COMPREPLY=()

    case $prev in
    --player | --card)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    --profile)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -W "$(_zelhost_profiles "$program")" -- "$cur"; compgen -f -- "$cur")
        return
        ;;
    --mood)
        mapfile -t COMPREPLY < <(compgen -W "$_zelhost_moods" -- "$cur")
        return
        ;;
    --playlist | --myauro)
        return
        ;;
    -t | --to)
        # put's destination is on the player (not completed), get's on this computer.
        [[ " ${words[*]} " == *" get "* ]] && compopt -o filenames 2>/dev/null && mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        return
        ;;
    esac

    # The command is the first word that is neither an option nor an option's value.
    local i command=""
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
        --player | --card | --profile) ((i++)) ;;
        -*) ;;
        *)
            command=${words[i]}
            break
            ;;
        esac
    done

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$_zelhost_global_options" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$_zelhost_commands" -- "$cur")
        fi
        return
    fi

    local options=""
    case $command in
    demo) options="--mtp" ;;
    ls) options="-l --long --flat" ;;
    put) options="-t --to --playlist --mood --myauro" ;;
    mkdir) options="-p --parents" ;;
    rm) options="-r -R --recursive" ;;
    get) options="-t --to -m --move" ;;
    format) options="-y --yes" ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options --json -v --verbose --help" -- "$cur")
        return
    fi
    case $command in
    put)
        # Files of this computer (the destination on the player is not completed).
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        ;;
    playlist)
        # The action comes first; a stored list may come from a file.
        if [[ ${words[cword - 1]} == playlist ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$_zelhost_playlist_actions" -- "$cur")
        elif [[ ${words[cword - 2]} == store ]]; then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        fi
        ;;
    uploads)
        mapfile -t COMPREPLY < <(compgen -W "$_zelhost_upload_kinds" -- "$cur")
        ;;
    get)
        # Paths of the player are not completed; the destination is a folder of this computer.
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        ;;
    game)
        if [[ ${words[cword - 1]} == game ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$_zelhost_game_actions" -- "$cur")
        else
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        fi
        ;;
    firmware)
        # "update", then the package folder of this computer.
        if [[ ${words[cword - 1]} == firmware ]]; then
            mapfile -t COMPREPLY < <(compgen -W "update" -- "$cur")
        elif [[ ${words[cword - 1]} == update ]]; then
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur")
        fi
        ;;
    profiles)
        mapfile -t COMPREPLY < <(compgen -W "$(_zelhost_profiles "$program")" -- "$cur")
        ;;
    help)
        mapfile -t COMPREPLY < <(compgen -W "$_zelhost_commands paths" -- "$cur")
        ;;
    esac
}

complete -F _zelhost zelhost
