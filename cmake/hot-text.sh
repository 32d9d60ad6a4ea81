#!/bin/sh
# hot-text.sh LIST SCRIPT: a linker script that puts the functions named in LIST (one mangled
# name a line, '#' lines aside) in an output section before the rest of the text, with the C
# run-time's start-up code and the static constructors, which run at every start.
set -eu
{
  echo "SECTIONS"
  echo "{"
  echo "  .text.hot :"
  echo "  {"
  echo "    *crt1.o(.text)"
  echo "    *crti.o(.text)"
  echo "    *crtbeginS.o(.text)"
  echo "    *crtendS.o(.text)"
  echo "    *(.text.startup .text.startup.*)"
  grep -v '^#' "$1" | sed 's/.*/    *(.text.&)/'
  echo "  }"
  echo "}"
  echo "INSERT BEFORE .text;"
} >"$2.tmp"
mv "$2.tmp" "$2"
