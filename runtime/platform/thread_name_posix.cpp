// Thread names on POSIX hosts: the kernel keeps up to 15 bytes per thread.
#include <pthread.h>

#include <cstring>

#include "runtime/platform/platform.h"

void platform_thread_set_name(const char *name) {
  if (name == nullptr) return;
  char cut[16];
  std::strncpy(cut, name, sizeof cut - 1);
  cut[sizeof cut - 1] = 0;
  pthread_setname_np(pthread_self(), cut);
}
