#!/bin/sh
# Fails when a public header of libaurx300 includes anything but the standard library and other
# public headers, or when the Qt face (recorder/qt) or aurx-host includes a header from inside
# the control (the engine, the store, the codecs, the devices, the control's implementation).
#   public-includes.sh SOURCE_DIR
set -eu
top=$1
status=0
bad=$(grep -Hn '^#include "' "$top"/recorder/include/aurx/*.h | grep -v '#include "aurx/' || true)
if [ -n "$bad" ]; then
    echo "public headers that include private ones:"
    printf '%s\n' "$bad"
    status=1
fi
bad=$(grep -Hn '^#include "' "$top"/recorder/qt/*.h "$top"/recorder/qt/*.cpp \
    "$top"/tools/aurx-host/*.h "$top"/tools/aurx-host/*.cpp |
    grep -v -E '#include "(aurx|aurxqt)/|#include "recorder/qt/|#include "tools/aurx-host/' || true)
if [ -n "$bad" ]; then
    echo "hosts that include the control's private headers:"
    printf '%s\n' "$bad"
    status=1
fi
exit $status
