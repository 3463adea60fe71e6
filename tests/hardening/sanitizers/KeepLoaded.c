/* Linked into every program of the AddressSanitizer build, after the ASan runtime, whose
   dlclose forwards here: libraries stay mapped once closed. LeakSanitizer runs at exit and
   needs them there: memory a closed library still points to from its globals is not a leak,
   and a leak inside a library can only be suppressed by the library's name. (Mesa's GL driver,
   opened and closed by Qt's X11 integration, otherwise shows as 128 bytes in "unknown module".) */
#include <dlfcn.h>

int dlclose(void* handle) {
  (void)handle;
  return 0;
}
