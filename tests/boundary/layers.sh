#!/bin/sh
# Fails when a layer includes a header from a layer above it, or from inside the recorder
# control. The build already refuses most of these (each layer's include root holds only the
# layers below it); this is the backstop for what a root cannot tell apart:
#   platform/  stands on nothing of ours
#   recorder/  on platform/
#   services/  on platform/
#   core/      on services/ and platform/
#   mover/, tools/parlaro-find, tools/parlaro-reg  on core/, services/ and platform/
#   app/       on all of these, on the control only through its public headers and its Qt face
#   layers.sh SOURCE_DIR
set -eu
cd "$1"
status=0
# check FOLDER ALLOWED_PATTERN
check() {
    bad=$(find "$1" \( -name '*.h' -o -name '*.cpp' \) -print0 |
        xargs -0 grep -Hn '^#include "' | grep -v -E "#include \"($2)" || true)
    if [ -n "$bad" ]; then
        echo "$1 includes what it must not:"
        printf '%s\n' "$bad"
        status=1
    fi
}
check platform 'platform/'
check recorder 'recorder/|platform/|aurx/|aurxqt/'
check services 'services/|platform/'
check core 'core/|services/|platform/'
check mover 'mover/|core/|services/|platform/'
check tools/parlaro-find 'tools/parlaro-find/|core/|services/|platform/'
check tools/parlaro-reg 'tools/parlaro-reg/|core/|services/|platform/'
check app 'app/|core/|services/|platform/|aurx/|recorder/qt/'
exit $status
