#include "app/platform.hpp"

#include <filesystem>
#include <system_error>

namespace platsmarkeraren {

std::FILE* open_file(const std::string& name, const char* mode) {
  return std::fopen(name.c_str(), mode);
}

std::FILE* binary_standard_output() { return stdout; }

std::size_t file_size(const std::string& name) {
  std::error_code error;
  const auto size = std::filesystem::file_size(name, error);
  return error ? 0 : static_cast<std::size_t>(size);
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error);
}

}  // namespace platsmarkeraren
