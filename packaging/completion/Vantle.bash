# bash completion for Vantle: the commands a running Kaidro takes, one per call.
_vantle()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    local commands='hud menu command-bar hide-all edit-layout save-dock quit stats'
    COMPREPLY=()
    case $prev in
    # Qt's options that take the next word as their value.
    -display | -platform | -style | -geometry | -name | -title | -session | -stylesheet)
        return
        ;;
    --platform)
        COMPREPLY=($(compgen -W 'x11 wayland' -- "$cur"))
        return
        ;;
    esac
    # One command at a time: nothing more after it.
    local i
    for ((i = 1; i < COMP_CWORD; i++)); do
        case " $commands help " in
        *" ${COMP_WORDS[i]} "*) return ;;
        esac
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--help --platform' -- "$cur"))
    else
        COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
}
complete -F _vantle Vantle
