#include "gedzip/gedzip.hpp"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>
#include <string_view>
#include <utility>

#include "core/zip_records.hpp"

namespace platsmarkeraren {

namespace {

// Entries are copied, inflated and deflated this many bytes at a time.
constexpr std::size_t kBufferSize = std::size_t{1} << 18;

constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kFull16 = 0xffff;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kDirectoryEndSize = 22;
constexpr std::size_t kZip64DirectoryEndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kHasDescriptor = 0x0008;
constexpr std::uint16_t kUtf8Name = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kNeededForZip64 = 45;
constexpr std::uint16_t kNeededForDeflate = 20;

std::uint64_t number_at(std::string_view bytes, std::size_t at, int count) {
  return little_endian(reinterpret_cast<const unsigned char*>(bytes.data() + at), count);
}
std::uint16_t u16(std::string_view bytes, std::size_t at) { return static_cast<std::uint16_t>(number_at(bytes, at, 2)); }
std::uint32_t u32(std::string_view bytes, std::size_t at) { return static_cast<std::uint32_t>(number_at(bytes, at, 4)); }
std::uint64_t u64(std::string_view bytes, std::size_t at) { return number_at(bytes, at, 8); }

void put(std::string& out, std::uint64_t value, int count) {
  for (int i = 0; i < count; ++i, value >>= 8) out += static_cast<char>(value & 0xff);
}

// Exactly `size` bytes at `offset`, or none when the file ends first.
std::optional<std::string> bytes_at(RandomAccess& file, std::uint64_t offset, std::size_t size) {
  if (offset > file.size() || file.size() - offset < size) return std::nullopt;
  std::string bytes(size, '\0');
  std::size_t held = 0;
  while (held < size) {
    const std::size_t got = file.read_at(offset + held, bytes.data() + held, size - held);
    if (got == 0) return std::nullopt;
    held += got;
  }
  return bytes;
}

[[noreturn]] void damaged(const std::string& why) { throw GedzipError("arkivet är skadat: " + why); }
[[noreturn]] void tree_damaged(const std::string& why) { throw GedzipError("gedcom.ged i arkivet är skadat: " + why); }

// Where the directory stands and how many entries it has.
struct Directory {
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  std::uint64_t entries = 0;
};

// The end of the directory, looked for from the end of the file over the
// longest comment a zip can have; none when there is none.
std::optional<Directory> find_directory(RandomAccess& file) {
  const std::uint64_t size = file.size();
  if (size < kDirectoryEndSize) return std::nullopt;
  const std::size_t tail_size = static_cast<std::size_t>(std::min<std::uint64_t>(size, kDirectoryEndSize + kFull16));
  const std::optional<std::string> tail = bytes_at(file, size - tail_size, tail_size);
  if (!tail) return std::nullopt;
  for (std::size_t at = tail_size - kDirectoryEndSize + 1; at-- > 0;) {
    if (u32(*tail, at) != kZipDirectoryEnd || at + kDirectoryEndSize + u16(*tail, at + 20) != tail_size) continue;
    Directory directory{u32(*tail, at + 16), u32(*tail, at + 12), u16(*tail, at + 10)};
    const std::uint64_t end_at = size - tail_size + at;
    const bool zip64 = directory.offset == kZipUnknown32 || directory.size == kZipUnknown32 || directory.entries == kFull16;
    if (!zip64) return directory;
    if (end_at < kZip64LocatorSize) return std::nullopt;
    const std::optional<std::string> locator = bytes_at(file, end_at - kZip64LocatorSize, kZip64LocatorSize);
    if (!locator || u32(*locator, 0) != kZip64Locator) return std::nullopt;
    const std::optional<std::string> end = bytes_at(file, u64(*locator, 8), kZip64DirectoryEndSize);
    if (!end || u32(*end, 0) != kZip64DirectoryEnd) return std::nullopt;
    return Directory{u64(*end, 48), u64(*end, 40), u64(*end, 32)};
  }
  return std::nullopt;
}

}  // namespace

struct Gedzip::Entry {
  std::string name;
  std::uint16_t made_by = 0;
  std::uint16_t needed = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint16_t time = 0;
  std::uint16_t date = 0;
  std::uint16_t internal = 0;
  std::uint32_t external = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressed = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;  // of its local header
  std::uint64_t data = 0;    // where its data begins
  std::uint64_t end = 0;     // where the next entry, or the directory, begins
  std::string extra;         // the directory's extra fields, but ZIP64's
  std::string comment;
};

namespace {

using Entry = Gedzip::Entry;

// The extra fields without ZIP64's, which is written anew; the sizes and
// offset it holds go to the entry.
std::string read_extra(std::string_view extra, Entry& entry) {
  std::string kept;
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::uint16_t id = u16(extra, at);
    const std::size_t size = u16(extra, at + 2);
    if (at + 4 + size > extra.size()) break;
    if (id != kZip64Extra) {
      kept.append(extra.substr(at, 4 + size));
    } else {
      std::size_t field = at + 4;
      for (std::uint64_t* value : {&entry.size, &entry.compressed, &entry.offset}) {
        if (*value != kZipUnknown32 || field + 8 > at + 4 + size) continue;
        *value = u64(extra, field);
        field += 8;
      }
    }
    at += 4 + size;
  }
  return kept;
}

// The directory's entries, in its order; none when it is not a zip's.
std::optional<std::vector<Entry>> read_entries(RandomAccess& file, const Directory& directory) {
  if (directory.size > file.size() || directory.entries > directory.size / kDirectoryEntrySize) return std::nullopt;
  const std::optional<std::string> bytes = bytes_at(file, directory.offset, static_cast<std::size_t>(directory.size));
  if (!bytes) return std::nullopt;
  std::vector<Entry> entries;
  std::size_t at = 0;
  for (std::uint64_t i = 0; i < directory.entries; ++i) {
    if (at + kDirectoryEntrySize > bytes->size() || u32(*bytes, at) != kZipDirectoryEntry) return std::nullopt;
    const std::size_t name_size = u16(*bytes, at + 28);
    const std::size_t extra_size = u16(*bytes, at + 30);
    const std::size_t comment_size = u16(*bytes, at + 32);
    if (at + kDirectoryEntrySize + name_size + extra_size + comment_size > bytes->size()) return std::nullopt;
    Entry& entry = entries.emplace_back();
    entry.made_by = u16(*bytes, at + 4);
    entry.needed = u16(*bytes, at + 6);
    entry.flags = u16(*bytes, at + 8);
    entry.method = u16(*bytes, at + 10);
    entry.time = u16(*bytes, at + 12);
    entry.date = u16(*bytes, at + 14);
    entry.crc = u32(*bytes, at + 16);
    entry.compressed = u32(*bytes, at + 20);
    entry.size = u32(*bytes, at + 24);
    entry.internal = u16(*bytes, at + 36);
    entry.external = u32(*bytes, at + 38);
    entry.offset = u32(*bytes, at + 42);
    const std::string_view rest = std::string_view(*bytes).substr(at + kDirectoryEntrySize);
    entry.name = rest.substr(0, name_size);
    entry.extra = read_extra(rest.substr(name_size, extra_size), entry);
    entry.comment = rest.substr(name_size + extra_size, comment_size);
    at += kDirectoryEntrySize + name_size + extra_size + comment_size;
  }
  return entries;
}

// Proves that each entry's local header stands where the directory says,
// before the next entry, and finds where its data begins and its bytes end.
void place_entries(RandomAccess& file, const Directory& directory, std::vector<Entry>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    Entry& entry = entries[i];
    entry.end = i + 1 < entries.size() ? entries[i + 1].offset : directory.offset;
    if (entry.end < entry.offset || entry.end - entry.offset < kLocalHeaderSize) {
      damaged("posterna står inte i ordning eller går in i varandra");
    }
    const std::optional<std::string> header = bytes_at(file, entry.offset, kLocalHeaderSize);
    if (!header || u32(*header, 0) != kZipLocalHeader) damaged("en post saknar sitt huvud: " + entry.name);
    entry.data = entry.offset + kLocalHeaderSize + u16(*header, 26) + u16(*header, 28);
    if (entry.data > entry.end || entry.end - entry.data < entry.compressed) {
      damaged("posterna står inte i ordning eller går in i varandra");
    }
  }
}

// gedcom.ged as the archive holds it, inflated a buffer at a time.
class TreeEntry final : public Source {
 public:
  TreeEntry(RandomAccess& file, const Entry& entry) : file_(file), entry_(entry), input_(kBufferSize, '\0') {
    if ((entry.flags & kEncrypted) != 0) tree_damaged("det är krypterat");
    if (entry.method != kStored && entry.method != kDeflated) {
      tree_damaged("det är packat med metod " + std::to_string(entry.method) + ", som inte läses här");
    }
    if (entry.method == kDeflated && inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~TreeEntry() override {
    if (entry_.method == kDeflated) inflateEnd(&stream_);
  }
  TreeEntry(const TreeEntry&) = delete;
  TreeEntry& operator=(const TreeEntry&) = delete;

  std::size_t read(char* into, std::size_t size) override {
    if (ended_ || size == 0) return 0;
    const std::size_t got = entry_.method == kStored ? read_stored(into, size) : inflate_into(into, size);
    crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(into), got);
    produced_ += got;
    if (produced_ > entry_.size) tree_damaged("det är större än arkivet säger");
    if (ended_ && (produced_ != entry_.size || crc_ != entry_.crc)) tree_damaged("kontrollsumman eller storleken stämmer inte");
    return got;
  }

  std::size_t size_hint() const override {
    return static_cast<std::size_t>(std::min<std::uint64_t>(entry_.size - produced_, SIZE_MAX));
  }

 private:
  // The next of the entry's packed bytes, up to `size`; none once all are taken.
  std::size_t take_packed(char* into, std::size_t size) {
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size, entry_.compressed - taken_));
    const std::size_t got = wanted == 0 ? 0 : file_.read_at(entry_.data + taken_, into, wanted);
    if (wanted != 0 && got == 0) tree_damaged("det tar slut för tidigt");
    taken_ += got;
    return got;
  }

  std::size_t read_stored(char* into, std::size_t size) {
    const std::size_t got = take_packed(into, size);
    ended_ = taken_ == entry_.compressed;
    return got;
  }

  std::size_t inflate_into(char* into, std::size_t size) {
    stream_.next_out = reinterpret_cast<Bytef*>(into);
    stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX));
    while (stream_.next_out == reinterpret_cast<Bytef*>(into)) {
      if (stream_.avail_in == 0) refill();
      const int status = inflate(&stream_, Z_NO_FLUSH);
      if (status == Z_STREAM_END) {
        ended_ = true;
        break;
      }
      if (status == Z_BUF_ERROR && stream_.avail_in == 0 && taken_ == entry_.compressed) {
        tree_damaged("det tar slut för tidigt");
      }
      if (status != Z_OK && status != Z_BUF_ERROR) tree_damaged("de packade byten går inte att packa upp");
    }
    return static_cast<std::size_t>(reinterpret_cast<char*>(stream_.next_out) - into);
  }

  void refill() {
    const std::size_t got = take_packed(input_.data(), input_.size());
    stream_.next_in = reinterpret_cast<Bytef*>(input_.data());
    stream_.avail_in = static_cast<uInt>(got);
  }

  RandomAccess& file_;
  const Entry& entry_;
  std::string input_;
  z_stream stream_{};
  std::uint64_t taken_ = 0;  // of the packed bytes
  std::uint64_t produced_ = 0;
  std::uint32_t crc_ = 0;
  bool ended_ = false;
};

// The new tree, deflated into the archive as it is written.
class DeflatingSink final : public Sink {
 public:
  explicit DeflatingSink(Sink& out) : out_(out), output_(kBufferSize, '\0') {
    if (deflateInit2(&stream_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw std::bad_alloc();
    }
  }
  ~DeflatingSink() override { deflateEnd(&stream_); }
  DeflatingSink(const DeflatingSink&) = delete;
  DeflatingSink& operator=(const DeflatingSink&) = delete;

  void write(std::string_view bytes) override {
    size_ += bytes.size();
    crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size());
    while (!bytes.empty()) {
      const std::size_t piece = std::min<std::size_t>(bytes.size(), UINT_MAX);
      stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
      stream_.avail_in = static_cast<uInt>(piece);
      while (stream_.avail_in > 0) deflate_once(Z_NO_FLUSH);
      bytes.remove_prefix(piece);
    }
  }

  void finish() {
    while (deflate_once(Z_FINISH) != Z_STREAM_END) {
    }
  }

  std::uint64_t size() const { return size_; }
  std::uint64_t compressed() const { return compressed_; }
  std::uint32_t crc() const { return crc_; }

 private:
  int deflate_once(int flush) {
    stream_.next_out = reinterpret_cast<Bytef*>(output_.data());
    stream_.avail_out = static_cast<uInt>(output_.size());
    const int status = deflate(&stream_, flush);
    const std::size_t made = output_.size() - stream_.avail_out;
    compressed_ += made;
    out_.write(std::string_view(output_.data(), made));
    return status;
  }

  Sink& out_;
  std::string output_;
  z_stream stream_{};
  std::uint64_t size_ = 0;
  std::uint64_t compressed_ = 0;
  std::uint32_t crc_ = 0;
};

// Counts what passes, for the offsets of the entries written.
class CountingSink final : public Sink {
 public:
  explicit CountingSink(Sink& out) : out_(out) {}
  void write(std::string_view bytes) override {
    out_.write(bytes);
    written_ += bytes.size();
  }
  std::uint64_t written() const { return written_; }

 private:
  Sink& out_;
  std::uint64_t written_ = 0;
};

void copy_bytes(RandomAccess& file, std::uint64_t from, std::uint64_t to, std::string& buffer, Sink& out) {
  while (from < to) {
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), to - from));
    const std::size_t got = file.read_at(from, buffer.data(), wanted);
    if (got == 0) damaged("det tar slut för tidigt");
    out.write(std::string_view(buffer.data(), got));
    from += got;
  }
}

bool needs_zip64(const Entry& entry) {
  return entry.size >= kZipUnknown32 || entry.compressed >= kZipUnknown32 || entry.offset >= kZipUnknown32;
}

// The entry's record in the directory, with a ZIP64 field for what does
// not fit in 32 bits.
std::string directory_record(const Entry& entry) {
  std::string zip64;
  for (const std::uint64_t value : {entry.size, entry.compressed, entry.offset}) {
    if (value >= kZipUnknown32) put(zip64, value, 8);
  }
  std::string extra = entry.extra;
  if (!zip64.empty()) {
    std::string field;
    put(field, kZip64Extra, 2);
    put(field, zip64.size(), 2);
    extra = field + zip64 + extra;
  }
  std::string record;
  put(record, kZipDirectoryEntry, 4);
  put(record, entry.made_by, 2);
  put(record, needs_zip64(entry) ? std::max(entry.needed, kNeededForZip64) : entry.needed, 2);
  put(record, entry.flags, 2);
  put(record, entry.method, 2);
  put(record, entry.time, 2);
  put(record, entry.date, 2);
  put(record, entry.crc, 4);
  put(record, std::min<std::uint64_t>(entry.compressed, kZipUnknown32), 4);
  put(record, std::min<std::uint64_t>(entry.size, kZipUnknown32), 4);
  put(record, entry.name.size(), 2);
  put(record, std::min<std::size_t>(extra.size(), kFull16), 2);
  put(record, entry.comment.size(), 2);
  put(record, 0, 2);  // the disk it begins on
  put(record, entry.internal, 2);
  put(record, entry.external, 4);
  put(record, std::min<std::uint64_t>(entry.offset, kZipUnknown32), 4);
  return record + entry.name + extra.substr(0, kFull16) + entry.comment;
}

// The directory's end, with ZIP64's end and locator before it when the
// directory's place or its number of entries does not fit.
std::string directory_end(const Directory& directory) {
  std::string end;
  const bool zip64 = directory.offset >= kZipUnknown32 || directory.size >= kZipUnknown32 || directory.entries >= kFull16;
  if (zip64) {
    const std::uint64_t at = directory.offset + directory.size;
    put(end, kZip64DirectoryEnd, 4);
    put(end, kZip64DirectoryEndSize - 12, 8);
    put(end, kNeededForZip64, 2);
    put(end, kNeededForZip64, 2);
    put(end, 0, 4);
    put(end, 0, 4);
    put(end, directory.entries, 8);
    put(end, directory.entries, 8);
    put(end, directory.size, 8);
    put(end, directory.offset, 8);
    put(end, kZip64Locator, 4);
    put(end, 0, 4);
    put(end, at, 8);
    put(end, 1, 4);
  }
  put(end, kZipDirectoryEnd, 4);
  put(end, 0, 4);
  put(end, std::min<std::uint64_t>(directory.entries, kFull16), 2);
  put(end, std::min<std::uint64_t>(directory.entries, kFull16), 2);
  put(end, std::min<std::uint64_t>(directory.size, kZipUnknown32), 4);
  put(end, std::min<std::uint64_t>(directory.offset, kZipUnknown32), 4);
  put(end, 0, 2);
  return end;
}

// The new tree's local header: its sizes and check sum follow its data.
std::string tree_header(const Entry& entry) {
  std::string header;
  put(header, kZipLocalHeader, 4);
  put(header, kNeededForDeflate, 2);
  put(header, entry.flags, 2);
  put(header, kDeflated, 2);
  put(header, entry.time, 2);
  put(header, entry.date, 2);
  put(header, 0, 12);
  put(header, entry.name.size(), 2);
  put(header, 0, 2);
  return header + entry.name;
}

}  // namespace

std::optional<Gedzip> Gedzip::open(RandomAccess& file) {
  const std::optional<Directory> directory = find_directory(file);
  if (!directory) return std::nullopt;
  std::optional<std::vector<Entry>> entries = read_entries(file, *directory);
  if (!entries) return std::nullopt;
  const auto is_tree = [](const Entry& entry) { return entry.name == kGedzipTree; };
  const auto found = std::find_if(entries->begin(), entries->end(), is_tree);
  if (found == entries->end()) return std::nullopt;
  if (std::count_if(entries->begin(), entries->end(), is_tree) > 1) damaged("det har två gedcom.ged");
  place_entries(file, *directory, *entries);
  const auto index = static_cast<std::size_t>(found - entries->begin());
  return Gedzip(file, std::move(*entries), index);
}

Gedzip::Gedzip(RandomAccess& file, std::vector<Entry> entries, std::size_t tree)
    : file_(&file), entries_(std::move(entries)), tree_(tree) {}
Gedzip::Gedzip(Gedzip&&) noexcept = default;
Gedzip& Gedzip::operator=(Gedzip&&) noexcept = default;
Gedzip::~Gedzip() = default;

std::unique_ptr<Source> Gedzip::tree() { return std::make_unique<TreeEntry>(*file_, entries_[tree_]); }

void Gedzip::write(Sink& out, const std::function<void(Sink&)>& write_tree) {
  CountingSink counted(out);
  std::string buffer(kBufferSize, '\0');
  std::vector<Entry> written = entries_;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = written[i];
    entry.offset = counted.written();
    if (i != tree_) {
      copy_bytes(*file_, entries_[i].offset, entries_[i].end, buffer, counted);
      continue;
    }
    entry.flags = static_cast<std::uint16_t>((entry.flags & kUtf8Name) | kHasDescriptor);
    entry.method = kDeflated;
    entry.needed = std::max(entry.needed, kNeededForDeflate);
    counted.write(tree_header(entry));
    DeflatingSink deflated(counted);
    write_tree(deflated);
    deflated.finish();
    if (deflated.size() >= kZipUnknown32 || deflated.compressed() >= kZipUnknown32) {
      throw GedzipError("det nya gedcom.ged blir större än 4 GiB, mer än arkivet kan hålla här");
    }
    entry.crc = deflated.crc();
    entry.size = deflated.size();
    entry.compressed = deflated.compressed();
    std::string descriptor;
    put(descriptor, kZipDescriptor, 4);
    put(descriptor, entry.crc, 4);
    put(descriptor, entry.compressed, 4);
    put(descriptor, entry.size, 4);
    counted.write(descriptor);
  }
  Directory directory{counted.written(), 0, written.size()};
  for (const Entry& entry : written) {
    const std::string record = directory_record(entry);
    directory.size += record.size();
    counted.write(record);
  }
  counted.write(directory_end(directory));
}

}  // namespace platsmarkeraren
