#include "eds/glib_logs.h"

#include <glib.h>

void keepGlibLogsOffStderr() {
  g_log_set_writer_func(
      [](GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; },
      nullptr, nullptr);
}
