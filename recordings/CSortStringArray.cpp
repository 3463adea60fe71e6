#include "CSortStringArray.h"

#include <algorithm>

namespace {

unsigned char Folded(char c)
{
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

}  // namespace

int CSortStringArray::CompareNoCase(const std::string& a, const std::string& b)
{
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const unsigned char x = Folded(a[i]), y = Folded(b[i]);
    if (x != y)
      return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void CSortStringArray::Sort()
{
  std::stable_sort(m_texts.begin(), m_texts.end(),
                   [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
}
