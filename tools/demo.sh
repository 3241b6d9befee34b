#!/bin/sh
# Installs what is needed, builds, and runs both programs on the bundled samples.
set -eu
cd "$(dirname "$0")/.."
sh tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" >/dev/null

for image in samples/screenshot.png samples/document.png; do
  echo "\$ zuna-ocr $image"
  build/ocr/zuna-ocr "$image"
done

# The calendar bridge on a copy of samples/calendars, with access already
# granted, in a temporary HOME so that nothing of the real user's is touched.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/.config/zuna" "$home/.local/share"
echo granted > "$home/.config/zuna/calendar-access"
cp -r samples/calendars "$home/.local/share/calendars"
requests='{"cmd":"status","id":1}
{"cmd":"calendars","id":2}
{"cmd":"events","id":3,"start":"2024-03-04T00:00:00Z","end":"2024-03-09T00:00:00Z"}
{"cmd":"events","id":4,"start":"2024-03-09T00:00:00Z","end":"2024-03-04T00:00:00Z"}
{"cmd":"launch","id":5}'
echo
echo "\$ zuna-calendar   (requests on stdin, answers on stdout)"
printf '%s\n' "$requests" | sed 's/^/> /'
# The bridge exits at the end of its input without waiting for unanswered
# commands, as the application expects; so the input stays open a moment.
{ printf '%s\n' "$requests"; sleep 1; } |
  env HOME="$home" XDG_CONFIG_HOME= XDG_DATA_HOME= TZ=UTC build/calendar/zuna-calendar |
  sed 's/^/< /'
