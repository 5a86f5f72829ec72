#!/bin/sh
# Fails unless each layer's include root hides the layers above it: from a layer's root, a
# header of a higher layer must not be found at all, so an upward include cannot compile.
#   upward-includes.sh CXX ROOTS_DIR
set -eu
cxx=$1
roots=$(cd "$2" && pwd)
status=0
# Quoted includes are looked for beside the file first: stdin's is the working folder.
empty=$(mktemp -d)
trap 'rmdir "$empty"' EXIT
cd "$empty"
# hidden ROOT HEADER: HEADER must not be reachable from ROOT; seen ROOT HEADER: it must be.
probe() {
    printf '#if __has_include("%s")\n#error found\n#endif\n' "$3" |
        "$cxx" -fsyntax-only -x c++ -I "$roots/$2" - 2>/dev/null
}
hidden() {
    if ! probe x "$1" "$2"; then
        echo "the $1 layer sees $2"
        status=1
    fi
}
seen() {
    if probe x "$1" "$2"; then
        echo "the $1 layer does not see $2"
        status=1
    fi
}
hidden platform services/registry/RegistryStore.h
hidden recorder services/registry/RegistryStore.h
hidden recorder-qt recorder/engine/Capture.h
hidden aurx-host recorder/control/Control.h
hidden services core/calls/CallRecord.h
hidden core app/recording/Recorder.h
hidden core mover/RecordingMover.h
hidden mover app/recording/Recorder.h
hidden tools app/recording/Recorder.h
hidden app recorder/engine/Capture.h
seen core services/registry/RegistryStore.h
seen recorder platform/wave/Streams.h
seen app recorder/qt/AurxWidget.h
seen mover core/settings/SettingsAccess.h
exit $status
