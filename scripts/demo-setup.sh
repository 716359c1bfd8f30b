#!/usr/bin/env bash
# Prepares a demo set-up in a folder: machine root, per-user folders, runtime folder, a
# service-control stand-in that only records its calls, and the registrations of the Organizer
# and Editor stand-ins. Writes FOLDER/environment, to be sourced by the caller.
#   scripts/demo-setup.sh BUILD_DIR FOLDER
set -euo pipefail
build=$(cd "$1" && pwd)
demo=$2
mkdir -p "$demo"/{machine,config,data,cache,home,bin}
mkdir -p -m 0700 "$demo/runtime"

cat >"$demo/bin/service-control" <<'SH'
#!/bin/sh
echo "$*" >>"$(dirname "$0")/../service-control.log"
SH
chmod +x "$demo/bin/service-control"

cat >"$demo/environment" <<ENV
export TESSALY_MACHINE_ROOT="$demo/machine"
export XDG_CONFIG_HOME="$demo/config"
export XDG_DATA_HOME="$demo/data"
export XDG_CACHE_HOME="$demo/cache"
export XDG_RUNTIME_DIR="$demo/runtime"
export HOME="$demo/home"
export TESSALY_SERVICE_CONTROL="$demo/bin/service-control"
ENV
# shellcheck disable=SC1091
source "$demo/environment"

reg="$build/tools/tessaly-reg/tessaly-reg"
if [ -x "$reg" ]; then
    "$reg" set 'HKLM\Software\Tessaly\Orvana Organizer\11.0\Organizer' \
        --value Locale --type sz --data en_us
    organizer="$build/apps/organizer"
    editor="$build/apps/editor"
    if [ -d "$organizer" ]; then
        "$reg" set 'HKLM\Software\Tessaly\Orvana Organizer\11.0\ApplicationPath' \
            --value Default --type sz --data "$organizer"
    fi
    if [ -d "$editor" ]; then
        "$reg" set 'HKLM\Software\Tessaly\Pixtrel Orvana\11.0\InstallPath' \
            --value Default --type sz --data "$editor"
    fi
fi

top=$(cd "$(dirname "$0")/.." && pwd)
# Pods come through the content download from the demo feed, which offers a newer quick-fix pod
# than the samples below; the downloaded pods show from the second start on.
if [ -x "$reg" ]; then
    "$reg" set 'HKCU\Software\Tessaly\MBS' --value ContentFeed --type sz --data "$top/assets/feed"
fi
# The three sample pods as an earlier run left them for the English locale, so the first Welcome
# Screen already shows pods.
pods="$demo/machine/data/Tessaly/Pixtrel Orvana/11.0/Locale/en_us/Welcome Screen Pods"
mkdir -p "$pods"
cp "$top"/assets/pods/*.metadata.xml "$pods"/
cp "$top"/assets/pods/*.swf "$pods"/ 2>/dev/null || true

caps="$build/tools/caps-tool/caps-tool"
if [ -x "$caps" ]; then
    [ -x "$build/apps/organizer/PixtrelOrvanaOrganizer" ] &&
        "$caps" register pxoorganizer-11.0 --path "$build/apps/organizer/PixtrelOrvanaOrganizer" >/dev/null
    [ -x "$build/apps/editor/PixtrelOrvanaEditor" ] &&
        "$caps" register pxoeditor-11.0 --path "$build/apps/editor/PixtrelOrvanaEditor" >/dev/null
fi
exit 0
