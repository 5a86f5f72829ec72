#!/bin/sh
# Installs the build into a fresh prefix and checks what a user and a desktop find there: the
# programs and nothing else in bin/, their libraries and man pages, programs that run from the
# prefix without LD_LIBRARY_PATH, a host of the recorder control built against the prefix, and
# a launcher and metadata that the desktop's own validators accept. A missing validator makes the test skip (exit 77) once everything else
# has passed.
# Usage: install-check.sh CMAKE BUILD_DIR SOURCE_DIR [SANITIZERS]
set -u
cmake=$1 build=$2 source=$3 sanitize=${4:-}
id=org.parlaro.Parlaro
programs="aurx-host mover parlaro parlaro-find parlaro-reg"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with space"
failures=0
skipped=""
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    cat "$work/install.log"
    echo "FAIL: cmake --install"
    exit 1
fi

# Exactly the five programs: no test, benchmark or helper program is installed.
listed=$(ls "$prefix/bin" | tr '\n' ' ')
[ "$listed" = "$programs " ] || fail "bin/ holds '$listed', expected '$programs '"
for program in $programs; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing"
    [ -f "$prefix/share/man/man1/$program.1" ] || fail "man page $program.1 is missing"
done

# The project's libraries are loaded from the prefix itself, whatever the build tree holds.
for library in libaurx300.so.0 libaurx300-qt.so.0; do
    [ -n "$(find "$prefix" -name "$library")" ] || fail "$library is not installed"
done
for program in $programs; do
    env -u LD_LIBRARY_PATH ldd "$prefix/bin/$program" >"$work/ldd" 2>&1
    if grep -q "not found" "$work/ldd"; then
        fail "$program: a library is not found"
        cat "$work/ldd"
    fi
    # "	libaurx300.so.0 => /prefix/bin/../lib/libaurx300.so.0 (0x...)"; the prefix has a space.
    sed -n 's/^[[:space:]]*\(libaurx300[^ ]*\) => \(.*\) (0x[0-9a-f]*)$/\1\t\2/p' "$work/ldd" |
        while IFS="$(printf '\t')" read -r name path; do
            case "$path" in
                "$prefix"/*) ;;
                *) echo "FAIL: $program loads $name from $path, outside the prefix" ;;
            esac
        done >"$work/outside"
    if [ -s "$work/outside" ]; then
        cat "$work/outside"
        failures=$((failures + 1))
    fi
done

# The programs run from the prefix with their own settings and a virtual sound line.
run() {
    env -u LD_LIBRARY_PATH XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
        XDG_RUNTIME_DIR="$work" PARLARO_UNATTENDED=1 AURX_DEVICES=virtual \
        QT_QPA_PLATFORM=offscreen "$@"
}
# A host built on nothing but what is installed, found the two ways a host's build looks for a
# library: CMake's find_package (whose imported target also asks for C++20) and pkg-config. The
# public headers stand on their own and the exported symbols are all such a host needs.
if command -v c++ >/dev/null 2>&1; then
    mkdir "$work/host"
    cat >"$work/host/host.cpp" <<'HOST'
#include <aurx/AURX300Ctrl.h>
#include <aurx/Dispatch.h>
#include <aurx/HexText.h>
#include <aurx/Persistence.h>
#include <cstdio>
int main() {
    aurx::AURX300Ctrl control;
    if (control.Reset() != 0 || control.status() != aurx::Status::Ready) return 1;
    if (!control.put_SampleRate(8000) || control.get_SampleRate() != 8000) return 2;
    aurx::Dispatch dispatch(control);
    aurx::Variant rate;
    if (!dispatch.invoke("SampleRate", aurx::InvokeKind::PropertyGet, {}, &rate).ok()) return 3;
    if (aurx::saveDesignState(control).size() != 84) return 4;
    std::printf("%s %s\n", rate.display().c_str(), aurx::formats::toHex(aurx::saveDesignState(control)).substr(0, 4).c_str());
    return 0;
}
HOST
    cat >"$work/host/CMakeLists.txt" <<'HOST'
cmake_minimum_required(VERSION 3.25)
project(host LANGUAGES CXX)
find_package(aurx300 0.1 REQUIRED)
add_executable(host host.cpp)
target_link_libraries(host PRIVATE aurx300::aurx300)
HOST
    # A sanitized library needs a host built with the same sanitizers.
    flags=${sanitize:+-fsanitize=$sanitize}
    if "$cmake" -S "$work/host" -B "$work/host/build" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_FLAGS="$flags" >"$work/host.log" 2>&1 &&
        "$cmake" --build "$work/host/build" >>"$work/host.log" 2>&1; then
        out=$(run "$work/host/build/host" 2>&1)
        [ "$out" = "8000 0003" ] || fail "a host found by find_package(aurx300) gave '$out'"
    else
        fail "a host does not build with find_package(aurx300): $(cat "$work/host.log")"
    fi
    if command -v pkg-config >/dev/null 2>&1; then
        libdir=$(dirname "$(find "$prefix" -name libaurx300.so.0 | head -n 1)")
        # pkg-config escapes the prefix's space; eval reads the words as a shell would.
        if ! found=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs aurx300 2>&1); then
            fail "pkg-config does not find aurx300: $found"
        elif eval "set -- $found" &&
            c++ -std=c++20 $flags "$work/host/host.cpp" -o "$work/host/pc-host" "$@" \
                -Wl,-rpath,"$libdir" >"$work/host.log" 2>&1; then
            out=$(run "$work/host/pc-host" 2>&1)
            [ "$out" = "8000 0003" ] || fail "a host built with pkg-config aurx300 gave '$out'"
        else
            fail "a host does not build with pkg-config aurx300 ($found): $(cat "$work/host.log")"
        fi
    else
        skipped="$skipped pkg-config"
    fi
else
    skipped="$skipped c++"
fi

out=$(printf 'new rec\ncall Reset\n' | run "$prefix/bin/aurx-host" 2>&1)
[ $? -eq 0 ] && [ "$out" = "Reset: errorCode=0" ] ||
    fail "aurx-host from the prefix: $out"
# Its meter renderer, a module it loads only when a script draws the meter, comes from the prefix.
out=$(printf 'new rec\nrender-meter "%s" 60 20\n' "$work/meter.png" |
    run "$prefix/bin/aurx-host" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] && [ -s "$work/meter.png" ] ||
    fail "aurx-host render-meter from the prefix: $out"
key='HKEY_CURRENT_USER\SOFTWARE\Parlaro'
run "$prefix/bin/parlaro-reg" set "$key" KeepDays dword 30 || fail "parlaro-reg set"
out=$(run "$prefix/bin/parlaro-reg" get "$key" KeepDays 2>&1)
[ "$out" = 30 ] || fail "parlaro-reg get gave '$out'"
run "$prefix/bin/parlaro-find" --help >/dev/null 2>&1 || fail "parlaro-find --help"
out=$(env -u LD_LIBRARY_PATH -u DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/parlaro" --version 2>&1)
case "$out" in "parlaro "[0-9]*) ;; *) fail "parlaro --version from the prefix gave '$out'" ;; esac
mkdir -p "$work/calls"
run "$prefix/bin/parlaro-reg" set "$key" CallPath string "$work/calls/" || fail "parlaro-reg set"
run "$prefix/bin/mover" >"$work/mover.log" 2>&1 || fail "mover with nothing to move: $(cat "$work/mover.log")"

# The manual, when the source has one.
if [ -f "$source/docs/help/index.html" ]; then
    [ -f "$prefix/share/parlaro/help/index.html" ] || fail "the manual is not installed"
fi

# The launcher names a program, an icon and metadata that are all there.
desktop="$prefix/share/applications/$id.desktop"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
icon="$prefix/share/icons/hicolor/scalable/apps/$id.svg"
for f in "$desktop" "$metainfo" "$icon"; do
    [ -f "$f" ] || fail "${f#"$prefix"/} is missing"
done
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$prefix/bin/$exec_program" ] || fail "the launcher starts '$exec_program', not installed"
[ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "the launcher's icon is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata does not launch $id.desktop"
grep -q '<svg' "$icon" || fail "the icon is not an SVG picture"

if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate $id.desktop"
else
    skipped="$skipped desktop-file-validate"
fi
if command -v appstreamcli >/dev/null 2>&1; then
    appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 || {
        cat "$work/appstream"
        fail "appstreamcli validate $id.metainfo.xml"
    }
    # The tree as a software centre reads it: the metadata's launcher is found beside it.
    appstreamcli validate-tree --no-net "$prefix" >"$work/appstream" 2>&1 || {
        cat "$work/appstream"
        fail "appstreamcli validate-tree"
    }
else
    skipped="$skipped appstreamcli"
fi
if command -v groff >/dev/null 2>&1; then
    for page in "$prefix"/share/man/man1/*.1; do
        warnings=$(LC_ALL=C.UTF-8 groff -man -ww -z -Tutf8 "$page" 2>&1)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    done
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
if [ -n "$skipped" ]; then
    echo "SKIPPED: not installed:$skipped (scripts/install-deps brings them)"
    exit 77
fi
echo "every install check passed"
