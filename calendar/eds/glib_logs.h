#pragma once

// Makes GLib's log writer, which GLib, GIO and Evolution Data Server's
// libraries log through, drop every message: nothing may reach stderr, and a
// warning of the libraries is no answer of ours. Called once, before any of
// them runs.
void keepGlibLogsOffStderr();
