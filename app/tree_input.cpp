#include "app/tree_input.hpp"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "messages/messages.hpp"

namespace platsmarkeraren {

namespace {

constexpr std::string_view kZipStart = "PK\x03\x04";
// Enough to tell a zip, and to tell UTF-16 as every infil is told.
constexpr std::size_t kStartBytes = 256;

// The bytes read first, then the rest of the file, if any is left there.
class StartThenRest final : public Source {
 public:
  StartThenRest(std::string_view start, Source* rest) : start_(start), rest_(rest) {}

  std::size_t read(char* into, std::size_t size) override {
    if (start_.empty()) return rest_ != nullptr ? rest_->read(into, size) : 0;
    const std::size_t given = std::min(size, start_.size());
    std::memcpy(into, start_.data(), given);
    start_.remove_prefix(given);
    return given;
  }
  std::size_t size_hint() const override { return rest_ != nullptr ? rest_->size_hint() : start_.size(); }

 private:
  std::string_view start_;
  Source* rest_;
};

// The archive's tree, refused as every infil is when saved as UTF-16; a
// failure names infil.
class ArchivedTree final : public Source {
 public:
  ArchivedTree(std::unique_ptr<Source> tree, std::string description)
      : tree_(std::move(tree)), description_(std::move(description)) {}

  std::size_t read(char* into, std::size_t size) override {
    std::size_t got = 0;
    try {
      got = tree_->read(into, size);
    } catch (const GedzipError& error) {
      throw RunError(description_ + ": " + error.what());
    }
    if (!started_) {
      if (auto refusal = utf16_refusal({into, got}, description_ + " (gedcom.ged)")) throw RunError(*refusal);
    }
    started_ = true;
    return got;
  }
  std::size_t size_hint() const override { return tree_->size_hint(); }

 private:
  std::unique_ptr<Source> tree_;
  std::string description_;
  bool started_ = false;
};

}  // namespace

// The file read anywhere: a regular file where it lies, a pipe from memory,
// as a zip's directory stands at its end.
class TreeInput::Access final : public RandomAccess {
 public:
  Access(InputFile& file, std::string_view start) : file_(file), size_(file.size_hint()) {
    if (size_ != 0) return;
    held_ = start;
    std::string buffer(std::size_t{1} << 18, '\0');
    for (std::size_t got; (got = file.read(buffer.data(), buffer.size())) > 0;) held_.append(buffer.data(), got);
    size_ = held_.size();
    in_memory_ = true;
  }

  std::uint64_t size() const override { return size_; }

  std::size_t read_at(std::uint64_t offset, char* into, std::size_t size) override {
    if (!in_memory_) return file_.read_at(offset, into, size);
    if (offset >= held_.size()) return 0;
    const std::size_t given = std::min<std::size_t>(size, held_.size() - static_cast<std::size_t>(offset));
    std::memcpy(into, held_.data() + offset, given);
    return given;
  }

  bool in_memory() const { return in_memory_; }
  std::string_view held() const { return held_; }

 private:
  InputFile& file_;
  std::uint64_t size_;
  std::string held_;
  bool in_memory_ = false;
};

TreeInput::TreeInput(InputFile& file, const std::string& name) : name_(name) {
  start_.resize(kStartBytes);
  std::size_t held = 0;
  for (std::size_t got; held < start_.size() && (got = file.read(start_.data() + held, start_.size() - held)) > 0;) {
    held += got;
  }
  start_.resize(held);
  looks_like_zip_ = start_.starts_with(kZipStart);
  if (looks_like_zip_) {
    access_ = std::make_unique<Access>(file, start_);
    try {
      archive_ = Gedzip::open(*access_);
    } catch (const GedzipError& error) {
      throw RunError(describe("infil", name) + ": " + error.what());
    }
  }
  if (archive_) {
    tree_ = std::make_unique<ArchivedTree>(archive_->tree(), describe("infil", name));
  } else if (access_ && access_->in_memory()) {
    tree_ = std::make_unique<StartThenRest>(access_->held(), nullptr);
  } else {
    // A zip's directory was looked for: the file reads on after its start.
    if (access_) {
      std::string skipped(start_.size(), '\0');
      file.read_at(0, skipped.data(), skipped.size());
    }
    tree_ = std::make_unique<StartThenRest>(start_, &file);
  }
}

TreeInput::~TreeInput() = default;

std::string TreeInput::lines_name() const {
  return archive_ ? name_ + ":" + std::string(kGedzipTree) : name_;
}

std::optional<std::string> TreeInput::warning() const {
  if (!looks_like_zip_ || archive_) return std::nullopt;
  return describe("infil", name_) +
         " börjar som ett zip-arkiv men är inget GEDZIP-arkiv med gedcom.ged, så det lästes som rader";
}

void TreeInput::write_archive(Sink& out, const std::function<void(Sink&)>& write_tree) {
  try {
    archive_->write(out, write_tree);
  } catch (const GedzipError& error) {
    throw RunError(describe("infil", name_) + ": " + error.what());
  }
}

}  // namespace platsmarkeraren
