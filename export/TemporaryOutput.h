// A file written under a temporary name beside its final one and renamed over it only when
// complete, so that a failed or cancelled export never leaves a half file under the final name.
#pragma once

#include <string>

class TemporaryOutput {
public:
  explicit TemporaryOutput(std::string final_path);
  ~TemporaryOutput();  // removes the temporary file unless committed
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;

  // Creates the temporary file (empty); false with the reason in *error.
  bool Create(std::string* error);
  const std::string& TemporaryPath() const { return m_temporary; }
  // Renames the temporary file to the final name; false with the reason in *error.
  bool Commit(std::string* error);

private:
  std::string m_final;
  std::string m_temporary;
  bool m_committed = false;
};

// Writes `contents` to `path` through a temporary file; false with the reason in *error.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* error);
