#include "app/platform.hpp"

#include <filesystem>
#include <system_error>

namespace platsmarkeraren {

std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* binary_standard_output() { return stdout; }

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

}  // namespace platsmarkeraren
