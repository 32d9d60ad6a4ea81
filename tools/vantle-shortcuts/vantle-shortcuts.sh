#!/bin/sh
# vantle-shortcuts: the user's Shortcuts, for Kaidro's Skills and its Do Not Disturb toggle.
#
#   vantle-shortcuts list       prints one name a line: the executable files in the folder
#   vantle-shortcuts run NAME   runs that file; its output and exit status pass through
#
# The folder is $XDG_DATA_HOME/Vantle/shortcuts, by default ~/.local/share/Vantle/shortcuts.
# Hidden files, folders and files that are not executable are not Shortcuts. A name is the file
# name exactly, spaces included: "Backup" and "Backup " are two Shortcuts.

set -u

me=vantle-shortcuts
nl='
'

usage() {
    printf 'usage: %s list\n       %s run NAME\n' "$me" "$me" >&2
    exit 2
}

folder() {
    data=${XDG_DATA_HOME:-}
    case $data in
    /*) ;;
    *)
        # Unset, empty or relative: the XDG default.
        if [ -z "${HOME:-}" ]; then
            printf '%s: neither XDG_DATA_HOME nor HOME is set\n' "$me" >&2
            return 1
        fi
        data=$HOME/.local/share
        ;;
    esac
    printf '%s/Vantle/shortcuts\n' "$data"
}

list() {
    dir=$(folder) || exit 1
    [ -d "$dir" ] || exit 0
    for path in "$dir"/*; do
        name=${path##*/}
        case $name in
        *"$nl"*) continue ;; # would not fit on one line
        esac
        if [ -f "$path" ] && [ -x "$path" ]; then
            printf '%s\n' "$name"
        fi
    done
    exit 0
}

run() {
    [ $# -eq 1 ] || usage
    name=$1
    # A name, never a path: nothing outside the folder can be reached through it.
    case $name in
    '' | .* | */* | *..*)
        printf '%s: "%s" is not a Shortcut name\n' "$me" "$name" >&2
        exit 2
        ;;
    esac
    dir=$(folder) || exit 1
    path=$dir/$name
    if [ ! -f "$path" ] || [ ! -x "$path" ]; then
        printf '%s: no Shortcut named "%s"\n' "$me" "$name" >&2
        exit 1
    fi
    exec "$path"
}

[ $# -ge 1 ] || usage
subcommand=$1
shift
case $subcommand in
list)
    [ $# -eq 0 ] || usage
    list
    ;;
run) run "$@" ;;
*) usage ;;
esac
