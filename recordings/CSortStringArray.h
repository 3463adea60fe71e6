#pragma once

#include <string>
#include <vector>

// The texts a scan collects ("name/size"), sorted ascending by the whole text with letter
// case ignored. Equal texts keep the order in which they were added.
class CSortStringArray {
public:
  void Add(std::string text) { m_texts.push_back(std::move(text)); }
  void Sort();

  bool empty() const { return m_texts.empty(); }
  size_t size() const { return m_texts.size(); }
  const std::string& operator[](size_t i) const { return m_texts[i]; }
  auto begin() const { return m_texts.begin(); }
  auto end() const { return m_texts.end(); }

  // <0, 0, >0 as a compares to b byte by byte with ASCII letters mapped to lower case, so
  // "_" sorts before letters; other bytes (UTF-8 included) compare by their unsigned value.
  static int CompareNoCase(const std::string& a, const std::string& b);

private:
  std::vector<std::string> m_texts;
};
