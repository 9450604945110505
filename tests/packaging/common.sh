# Helpers the packaging tests share. Sourced by bash scripts run with set -euo pipefail.

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# A scratch folder removed on exit.
make_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/zel-packaging-XXXXXX")
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/home"
}

# Runs a program with a bare environment (no ZEL_MODULE_PATH, no
# LD_LIBRARY_PATH) from the scratch folder, with the dynamic loader naming every
# folder it searches and every file it opens; fails when the build folder is
# among them.
# run_isolated BUILD_DIR OUT_FILE PROGRAM ARGS...
run_isolated() {
    local build=$1 out=$2
    shift 2
    local status=0
    (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work/home" TMPDIR="$work" XDG_CONFIG_HOME="$work/home/.config" \
        LD_DEBUG=libs,files LD_DEBUG_OUTPUT="$work/loader" "$@" >"$out" 2>"$out.err") || status=$?
    ls "$work"/loader.* >/dev/null 2>&1 || fail "the dynamic loader wrote no trace for $1"
    if grep -hF "$build/" "$work"/loader.* >"$work/reached-build"; then
        fail "$1 reached into the build folder: $(head -3 "$work/reached-build")"
    fi
    rm -f "$work"/loader.*
    return $status
}

# Every RUNPATH of the ELF files below a folder is relative to the file ($ORIGIN).
check_runpaths() {
    local folder=$1 file path
    while IFS= read -r -d '' file; do
        readelf -h "$file" >/dev/null 2>&1 || continue
        path=$(readelf -d "$file" | sed -n 's/.*\(RUNPATH\|RPATH\).*\[\(.*\)\]/\2/p')
        [ -z "$path" ] && continue
        case $path in
        \$ORIGIN*) ;;
        *) fail "$file has the run path $path" ;;
        esac
    done < <(find "$folder" -type f -print0)
}

# The demo of an installed zelhost, run far from the build: it must set up a
# player with a database (the reference database library comes from the
# installed module folder) and send every file.
check_demo() {
    local build=$1 zelhost=$2
    run_isolated "$build" "$work/demo.txt" "$zelhost" demo || fail "$zelhost demo failed: $(cat "$work/demo.txt.err")"
    grep -q "^5 records in the player's database" "$work/demo.txt" || fail "the demo recorded no files: $(cat "$work/demo.txt")"
}
