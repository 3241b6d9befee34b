#pragma once

// Prepares the process's standard streams for the one result line: standard
// error points at /dev/null (libraries complain there; every outcome is
// reported in the line instead), a closed stdin, stdout or stderr is opened on
// /dev/null so that no file the program opens takes its number, and SIGPIPE is
// ignored so that a reader that went away costs the line, not the exit status.
void prepareStandardStreams();
