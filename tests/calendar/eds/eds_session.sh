#!/bin/sh
# Runs a command against a headless Evolution Data Server of its own: a
# temporary home seeded with the sources and calendar data of the eds
# fixtures, on a private session bus. The services inherit the bus daemon's
# environment, so everything is set before the bus starts.
# Usage: eds_session.sh FIXTURES_EDS COMMAND [ARG...]
set -eu
fixtures=$1
shift
home=$(mktemp -d /tmp/zuna-eds-XXXXXX)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  XDG_CACHE_HOME="$home/cache" XDG_RUNTIME_DIR="$home/run" \
  GSETTINGS_BACKEND=memory GIO_USE_VFS=local EDS_REGISTRY_MODULES="$home/no-modules"
mkdir -p "$XDG_CONFIG_HOME/evolution/sources" "$XDG_DATA_HOME/evolution/calendar" \
  "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$EDS_REGISTRY_MODULES"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$fixtures"/sources/*.source "$XDG_CONFIG_HOME/evolution/sources/"
cp -R "$fixtures"/calendar/. "$XDG_DATA_HOME/evolution/calendar/"
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
# The services outlive the command; the bus's end takes them down.
dbus-run-session -- "$@"
