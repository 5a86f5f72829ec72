#!/bin/sh
# Fails when a layer includes a header from a layer above it, or from inside the recorder
# control: platform/ stands on nothing of ours; recorder/ on platform/; app/common on
# platform/; mover/ on app/common and platform/; the rest of app/ on all of these, but on the
# control only through its public headers and its Qt face.
#   layers.sh SOURCE_DIR
set -eu
cd "$1"
status=0
# check FOLDER ALLOWED_PATTERN [EXCLUDED_FOLDER]
check() {
    bad=$(find "$1" \( -name '*.h' -o -name '*.cpp' \) ${3:+-not -path "$3/*"} -print0 |
        xargs -0 grep -Hn '^#include "' | grep -v -E "#include \"($2)" || true)
    if [ -n "$bad" ]; then
        echo "$1 includes what it must not:"
        printf '%s\n' "$bad"
        status=1
    fi
}
check platform 'platform/'
check recorder 'recorder/|platform/|aurx/|aurxqt/'
check app/common 'app/common/|platform/'
check mover 'mover/|app/common/|platform/'
check app 'app/|platform/|aurx/|recorder/qt/' app/common
exit $status
