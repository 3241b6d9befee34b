/* Test-only stand-in for the platform's responsibility-disclaim function,
 * preloaded into zuna-calendar. ZUNA_TEST_DISCLAIM_FAIL makes it fail;
 * ZUNA_TEST_COPY_EXIT makes the relaunched copy exit at once with that code;
 * ZUNA_TEST_ARGV_FILE receives the copy's argument vector. Beside it, a
 * thread limit: once the file that ZUNA_TEST_THREAD_LIMIT names exists, no
 * new thread can be created (EAGAIN, as at the system's limit). */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <pthread.h>
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

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*run)(void*),
                   void* argument) {
  typedef int (*Create)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static Create real = NULL;
  if (!real) real = (Create)dlsym(RTLD_NEXT, "pthread_create");
  const char* limit = getenv("ZUNA_TEST_THREAD_LIMIT");
  if (limit && access(limit, F_OK) == 0) return EAGAIN;
  return real(thread, attributes, run, argument);
}
