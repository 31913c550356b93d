#include "framework/Trace.h"

#include <time.h>

const char* CurrentTime()
{
  static thread_local char text[32];
  const time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local) || !strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local))
    text[0] = 0;
  return text;
}
