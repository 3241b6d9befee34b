/* Test-only stand-in for the platform's responsibility-disclaim function,
 * preloaded into zuna-calendar. ZUNA_TEST_DISCLAIM_FAIL makes it fail;
 * ZUNA_TEST_COPY_EXIT makes the relaunched copy exit at once with that code;
 * ZUNA_TEST_ARGV_FILE receives the copy's argument vector. */
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

int responsibility_spawnattrs_setdisclaim(posix_spawnattr_t* attributes, int disclaim) {
  (void)attributes;
  if (disclaim != 1) return 22;
  return getenv("ZUNA_TEST_DISCLAIM_FAIL") ? 1 : 0;
}

__attribute__((constructor)) static void inCopy(int argc, char** argv) {
  int copy = 0;
  for (int i = 0; i < argc; ++i) copy |= strcmp(argv[i], "--disclaimed") == 0;
  if (!copy) return;
  const char* file = getenv("ZUNA_TEST_ARGV_FILE");
  if (file) {
    FILE* out = fopen(file, "w");
    if (out) {
      for (int i = 0; i < argc; ++i) fprintf(out, "%s\n", argv[i]);
      fclose(out);
    }
  }
  const char* code = getenv("ZUNA_TEST_COPY_EXIT");
  if (code) _exit(atoi(code));
}
