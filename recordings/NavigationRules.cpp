#include "NavigationRules.h"

int AdvanceNext(int c, int n)
{
  if (c >= 0 && c < n - 1)
    return c + 1;
  if (c == n - 1)
    return 0;
  return c;
}

int AdvancePrevious(int c, int n)
{
  if (c > 0 && c <= n - 1)
    return c - 1;
  if (c == 0)
    return n - 1;
  return c;
}
