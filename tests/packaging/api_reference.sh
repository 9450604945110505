#!/usr/bin/env bash
# The API reference documents every public declaration: doxygen, run over the
# public headers as the `docs` target runs it, reports nothing undocumented.
# api_reference.sh DOXYGEN DOXYFILE
set -euo pipefail
doxygen=$1 doxyfile=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zel-apidocs-XXXXXX")
trap 'rm -rf "$work"' EXIT

{
    cat "$doxyfile"
    echo "OUTPUT_DIRECTORY = $work"
    echo "WARN_LOGFILE = $work/warnings.txt"
} | "$doxygen" - >"$work/doxygen.log" 2>&1 || { cat "$work/doxygen.log"; exit 1; }
if [ -s "$work/warnings.txt" ]; then
    echo "FAIL: $(grep -c 'warning:' "$work/warnings.txt") doxygen warnings; the first ones:" >&2
    head -20 "$work/warnings.txt" >&2
    exit 1
fi
echo "every public declaration is documented"
