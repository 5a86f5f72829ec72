#!/bin/sh
# Fails when libaurx300 exports anything but the control's public types (aurx::, outside the
# engine, the file store, the codecs, the devices and the control's implementation), or when
# libaurx300-qt exports anything outside aurxqt::.
#   exported-symbols.sh LIBAURX300 [LIBAURX300_QT]
set -eu
status=0
exported() { nm -D --defined-only -C "$1" | awk '$2 != "A" { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }

core=$(exported "$1")
[ -n "$core" ] || { echo "$1 exports nothing"; exit 1; }
stray=$(printf '%s\n' "$core" | grep -v -E '^(typeinfo (name )?for |vtable for )?aurx::' || true)
internal=$(printf '%s\n' "$core" |
    grep -E 'aurx::(engine|store|codecs|wave|riff|posix|shell)::|aurx::(Control|ControlEnvironment|NotificationQueue|Arguments)\b|aurx::formats::(AcmFormat|InstallContext)|aurx::meter::(barLayout|barSegments|isLit)\b' ||
    true)
if [ -n "$stray$internal" ]; then
    echo "$1 exports what is not its public interface:"
    printf '%s\n' "$stray" "$internal" | grep . | head -40
    status=1
fi
printf '%s: %s symbols\n' "$1" "$(printf '%s\n' "$core" | wc -l)"

if [ $# -ge 2 ] && [ -n "$2" ]; then
    qt=$(exported "$2")
    stray=$(printf '%s\n' "$qt" | grep -v -E '^(typeinfo (name )?for |vtable for )?aurxqt::' || true)
    if [ -n "$stray" ]; then
        echo "$2 exports what is not its public interface:"
        printf '%s\n' "$stray" | head -40
        status=1
    fi
    printf '%s: %s symbols\n' "$2" "$(printf '%s\n' "$qt" | wc -l)"
fi
exit $status
