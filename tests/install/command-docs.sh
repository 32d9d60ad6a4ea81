#!/usr/bin/env bash
# The commands `Vantle --help` lists (made from the program's command table) are exactly the ones
# the manual page, the bash completion and the zsh completion know, and bash completes them.
# Usage: command-docs.sh VANTLE MANUAL_PAGE SOURCE_DIR
set -euo pipefail
vantle="$1" manual="$2" completion="$3/packaging/completion"
status=0
same() { # NAME EXPECTED FOUND
  if [ "$2" != "$3" ]; then
    echo "$1 lists: $(echo $3)"
    echo "the program takes: $(echo $2)"
    status=1
  fi
}

help="$("$vantle" --help)"
expected="$(sed -n 's/^  \([a-z][a-z-]*\) .*/\1/p' <<<"$help" | sort)"
[ "$(wc -l <<<"$expected")" -ge 5 ] || { echo "no commands read from --help:"; echo "$help"; exit 1; }

# The manual's COMMANDS section: one ".TP" / ".B name" pair a command.
same "$manual" "$expected" \
  "$(sed -n '/^\.SH COMMANDS/,/^\.SH /{/^\.TP/{n;s/^\.B //p}}' "$manual" | sort)"
same "Vantle.bash" "$expected" \
  "$(sed -n "s/.*local commands='\(.*\)'/\1/p" "$completion/Vantle.bash" | tr ' ' '\n' | sort)"
same "_Vantle" "$expected" \
  "$(grep -o '[a-z-]*\\:"' "$completion/_Vantle" | sed 's/\\:"//' | sort)"

# What Tab gives: the commands from a prefix, nothing after a command or after Qt's -display.
complete_words() { (source "$completion/Vantle.bash"; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
  _vantle; echo "${COMPREPLY[*]}"); }
same "completing 'Vantle m'" "menu" "$(complete_words Vantle m)"
same "completing 'Vantle hi'" "hide-all" "$(complete_words Vantle hi)"
same "completing 'Vantle menu '" "" "$(complete_words Vantle menu '')"
same "completing 'Vantle -display '" "" "$(complete_words Vantle -display '')"
same "completing 'Vantle -display :1 q'" "quit" "$(complete_words Vantle -display :1 q)"
exit $status
