#include "gazetteer/gazetteer_file.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "core/printable.hpp"
#include "core/zip_records.hpp"

namespace platsmarkeraren {

namespace {

// The archive's bytes are read this many at a time; a local header with
// its name and extra field (at most 30 + 2 × 65,535 bytes) fits.
constexpr std::size_t kInputSize = std::size_t{1} << 18;
// A GeoNames row holds a few KiB: an entry whose first line is longer is
// no GeoNames file.
constexpr std::size_t kFirstLineMost = std::size_t{1} << 16;
constexpr std::size_t kGeoNamesTabs = 18;

bool is_geonames_line(std::string_view line) {
  return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')) == kGeoNamesTabs;
}

constexpr std::string_view kExpected = "välj GeoNames-filen som du hämtade, till exempel SE.zip från download.geonames.org";

}  // namespace

class GazetteerFile::Reader {
 public:
  Reader(Source& file, std::string description)
      : file_(file), description_(std::move(description)), input_(new unsigned char[kInputSize]) {}

  ~Reader() {
    if (inflating_) inflateEnd(&stream_);
  }

  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  std::size_t read(char* into, std::size_t size) {
    if (size == 0) return 0;
    if (!started_) start();
    switch (kind_) {
      case Kind::plain:
        return read_plain(into, size);
      case Kind::gzip:
        return read_gzip(into, size);
      case Kind::zip:
        return read_zip(into, size);
    }
    return 0;
  }

  // Until the first read tells the kind of file, and for an archive, its
  // plain size is not known.
  std::size_t size_hint() const { return started_ && kind_ == Kind::plain ? file_.size_hint() + buffered().size() : 0; }
  std::uint64_t consumed() const { return consumed_ - buffered().size(); }

 private:
  enum class Kind { plain, gzip, zip };

  // Tells the kind of file by its first bytes, at the first read: the
  // file is read only when its turn comes, after the tree.
  void start() {
    started_ = true;
    const bool whole = fill(4);
    const std::string_view start = buffered();
    if (whole && little_endian(input_.get(), 4) == kZipLocalHeader) {
      kind_ = Kind::zip;
    } else if (whole && little_endian(input_.get(), 4) == kZipDirectoryEnd) {
      fail("är ett tomt zip-arkiv; " + std::string(kExpected));
    } else if (start.size() >= 2 && start[0] == '\x1f' && start[1] == '\x8b') {
      kind_ = Kind::gzip;
      start_inflating(16 + MAX_WBITS);
    } else {
      refuse_what_is_plainly_no_gazetteer();
    }
  }

  // One entry of a zip archive, as its local header and descriptor tell it.
  struct Entry {
    std::string name;
    bool deflated = false;
    bool descriptor = false;  // its sizes and check sum follow its data
    bool zip64 = false;
    std::uint32_t crc = 0;
    std::uint64_t compressed = 0;
    std::uint64_t size = 0;
    std::uint64_t compressed_left = 0;  // for a stored entry, or one whose size is known
    std::uint64_t produced = 0;
    std::uint32_t crc_so_far = 0;
    bool ended = false;
  };

  [[noreturn]] void fail(const std::string& what) const { throw std::runtime_error(description_ + " " + what); }
  [[noreturn]] void fail_in(const Entry& entry, const std::string& what) const {
    fail("är trasigt: posten \"" + printable(entry.name) + "\" " + what);
  }
  [[noreturn]] void cut_short() const { fail("tar slut mitt i en packad fil: den är avbruten eller trasig; hämta den igen"); }

  std::string_view buffered() const {
    return {reinterpret_cast<const char*>(input_.get()) + begin_, end_ - begin_};
  }

  // At least `wanted` bytes buffered, unless the file ends first.
  bool fill(std::size_t wanted) {
    if (end_ - begin_ >= wanted) return true;
    std::memmove(input_.get(), input_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    while (end_ < wanted) {
      const std::size_t got = file_.read(reinterpret_cast<char*>(input_.get()) + end_, kInputSize - end_);
      if (got == 0) return false;
      end_ += got;
      consumed_ += got;
    }
    return true;
  }

  void start_inflating(int window_bits) {
    if (inflating_) {
      inflateEnd(&stream_);
      inflating_ = false;
    }
    stream_ = z_stream{};
    if (inflateInit2(&stream_, window_bits) != Z_OK) throw std::bad_alloc();
    inflating_ = true;
  }

  // Inflates into `into`, from at most `limit` more bytes of input; returns
  // how many bytes it made, and sets `ended` at the stream's end.
  std::size_t inflate_some(char* into, std::size_t size, std::uint64_t limit, bool& ended, std::uint64_t& used) {
    stream_.next_out = reinterpret_cast<Bytef*>(into);
    stream_.avail_out = static_cast<uInt>(std::min<std::size_t>(size, UINT32_MAX));
    const uInt room = stream_.avail_out;
    while (stream_.avail_out == room && !ended && limit > 0) {
      if (begin_ == end_ && !fill(1)) cut_short();
      const std::size_t available = std::min<std::uint64_t>(end_ - begin_, limit);
      stream_.next_in = input_.get() + begin_;
      stream_.avail_in = static_cast<uInt>(available);
      const int result = inflate(&stream_, Z_NO_FLUSH);
      const std::size_t taken = available - stream_.avail_in;
      begin_ += taken;
      limit -= taken;
      used += taken;
      if (result == Z_STREAM_END) {
        ended = true;
      } else if (result == Z_MEM_ERROR) {
        throw std::bad_alloc();
      } else if (result != Z_OK && result != Z_BUF_ERROR) {
        fail("är trasigt: det packade går inte att packa upp; hämta filen igen");
      }
    }
    return room - stream_.avail_out;
  }

  std::size_t read_plain(char* into, std::size_t size) {
    if (begin_ == end_) {
      const std::size_t got = file_.read(into, size);
      consumed_ += got;
      return got;
    }
    const std::size_t taken = std::min(size, end_ - begin_);
    std::memcpy(into, input_.get() + begin_, taken);
    begin_ += taken;
    return taken;
  }

  std::size_t read_gzip(char* into, std::size_t size) {
    for (;;) {
      if (gzip_ended_) {
        // Members one after another are one file, as gzip writes them.
        if (!fill(1)) return 0;
        gzip_ended_ = false;
        inflateReset(&stream_);
      }
      std::uint64_t used = 0;
      const std::size_t made = inflate_some(into, size, UINT64_MAX, gzip_ended_, used);
      if (made > 0) return made;
    }
  }

  // A file that is plainly something else gets words for what it is, not a
  // count of its columns.
  void refuse_what_is_plainly_no_gazetteer() {
    fill(kFirstLineMost);
    std::string_view first_bytes = buffered();
    if (first_bytes.find('\0') != std::string_view::npos) {
      fail("är ingen textfil och inget zip-arkiv som programmet läser; " + std::string(kExpected));
    }
    const std::string_view line = first_bytes.substr(0, first_bytes.find('\n'));
    if (line.starts_with("\xEF\xBB\xBF")) first_bytes.remove_prefix(3);
    if (first_bytes.starts_with("0 HEAD")) fail("är ett släktträd (GEDCOM), inte ett ortregister; " + std::string(kExpected));
    if (line.find("2 PLAC ") != std::string_view::npos) {
      fail("är en koordinatfil, inte ett ortregister; " + std::string(kExpected));
    }
  }

  // The next entry's local header, read and checked; none at the archive's
  // directory, where the entries end.
  bool next_entry(Entry& entry) {
    if (!fill(4)) cut_short();
    const auto signature = static_cast<std::uint32_t>(little_endian(input_.get() + begin_, 4));
    if (signature == kZipDirectoryEntry || signature == kZipDirectoryEnd || signature == kZip64DirectoryEnd) return false;
    if (signature != kZipLocalHeader) fail("är trasigt: en post i zip-arkivet börjar inte där den ska; hämta filen igen");
    if (!fill(30)) cut_short();
    const unsigned char* header = input_.get() + begin_;
    const auto flags = little_endian(header + 6, 2);
    const auto method = little_endian(header + 8, 2);
    entry = Entry{};
    entry.crc = static_cast<std::uint32_t>(little_endian(header + 14, 4));
    entry.compressed = little_endian(header + 18, 4);
    entry.size = little_endian(header + 22, 4);
    const std::size_t name_size = little_endian(header + 26, 2);
    const std::size_t extra_size = little_endian(header + 28, 2);
    if (!fill(30 + name_size + extra_size)) cut_short();
    header = input_.get() + begin_;
    entry.name.assign(reinterpret_cast<const char*>(header) + 30, name_size);
    read_zip64_sizes(header + 30 + name_size, extra_size, entry);
    begin_ += 30 + name_size + extra_size;
    if ((flags & 1) != 0) {
      fail("har en krypterad post, \"" + printable(entry.name) + "\": packa upp den med lösenordet och välj textfilen");
    }
    if (method != 0 && method != 8) {
      fail("har en post, \"" + printable(entry.name) + "\", packad med en metod som programmet inte läser (nummer " +
           std::to_string(method) + "); packa den med vanlig zip eller välj textfilen");
    }
    entry.deflated = method == 8;
    entry.descriptor = (flags & 8) != 0;
    if (entry.descriptor && !entry.deflated) {
      fail("har en post, \"" + printable(entry.name) +
           "\", vars storlek bara står i arkivets register i slutet, som inte läses i följd; packa upp den och välj "
           "textfilen");
    }
    entry.compressed_left = entry.descriptor ? UINT64_MAX : entry.compressed;
    if (entry.deflated) start_inflating(-MAX_WBITS);
    return true;
  }

  static void read_zip64_sizes(const unsigned char* extra, std::size_t size, Entry& entry) {
    for (std::size_t at = 0; at + 4 <= size;) {
      const auto id = little_endian(extra + at, 2);
      const std::size_t length = little_endian(extra + at + 2, 2);
      if (at + 4 + length > size) break;
      if (id == 1) {
        entry.zip64 = true;
        std::size_t field = at + 4;
        if (entry.size == kZipUnknown32 && field + 8 <= at + 4 + length) {
          entry.size = little_endian(extra + field, 8);
          field += 8;
        }
        if (entry.compressed == kZipUnknown32 && field + 8 <= at + 4 + length) entry.compressed = little_endian(extra + field, 8);
      }
      at += 4 + length;
    }
  }

  // Bytes of the entry's contents, checked at its end against its size and
  // check sum; 0 once it has ended.
  std::size_t entry_bytes(Entry& entry, char* into, std::size_t size) {
    if (entry.ended) return 0;
    std::size_t made = 0;
    if (entry.deflated) {
      if (entry.compressed_left == 0) fail_in(entry, "är större packad än arkivet säger");
      std::uint64_t used = 0;
      made = inflate_some(into, size, entry.compressed_left, entry.ended, used);
      if (!entry.descriptor) entry.compressed_left -= used;
    } else {
      if (entry.compressed_left > 0 && begin_ == end_ && !fill(1)) cut_short();
      made = std::min<std::uint64_t>({size, end_ - begin_, entry.compressed_left});
      std::memcpy(into, input_.get() + begin_, made);
      begin_ += made;
      entry.compressed_left -= made;
      entry.ended = entry.compressed_left == 0;
    }
    entry.produced += made;
    entry.crc_so_far = static_cast<std::uint32_t>(crc32(entry.crc_so_far, reinterpret_cast<const Bytef*>(into),
                                                        static_cast<uInt>(made)));
    if (entry.ended) finish_entry(entry);
    return made;
  }

  void finish_entry(Entry& entry) {
    if (entry.descriptor) {
      const std::size_t sizes = entry.zip64 ? 8 : 4;
      if (!fill(4)) cut_short();
      if (little_endian(input_.get() + begin_, 4) == kZipDescriptor) begin_ += 4;
      if (!fill(4 + 2 * sizes)) cut_short();
      const unsigned char* descriptor = input_.get() + begin_;
      entry.crc = static_cast<std::uint32_t>(little_endian(descriptor, 4));
      entry.size = little_endian(descriptor + 4 + sizes, static_cast<int>(sizes));
      begin_ += 4 + 2 * sizes;
    } else if (entry.deflated && entry.compressed_left != 0) {
      fail_in(entry, "är mindre packad än arkivet säger");
    }
    if (entry.produced != entry.size) fail_in(entry, "är inte så stor som arkivet säger");
    if (entry.crc_so_far != entry.crc) fail_in(entry, "stämmer inte med sin kontrollsumma");
  }

  // Opens the next entry that is a GeoNames file, its first line kept in
  // `first_line_`; passes over the others. False at the archive's end.
  bool open_geonames_entry() {
    std::vector<char> scratch(kInputSize);
    while (next_entry(entry_)) {
      first_line_.clear();
      while (first_line_.find('\n') == std::string::npos && first_line_.size() < kFirstLineMost) {
        const std::size_t made = entry_bytes(entry_, scratch.data(), scratch.size());
        if (made == 0) break;
        first_line_.append(scratch.data(), made);
      }
      const std::string_view line = std::string_view(first_line_).substr(0, first_line_.find('\n'));
      if (!first_line_.empty() && first_line_.find('\n') != std::string::npos && is_geonames_line(line)) {
        served_ = 0;
        found_geonames_ = true;
        return true;
      }
      passed_over_.push_back(entry_.name);
      first_line_.clear();
      while (entry_bytes(entry_, scratch.data(), scratch.size()) > 0) {
      }
    }
    if (!found_geonames_) {
      std::string names;
      for (const std::string& name : passed_over_) names += (names.empty() ? "" : ", ") + printable(name);
      fail("är ett zip-arkiv utan någon GeoNames-fil" + (names.empty() ? std::string() : " (det har " + names + ")") +
           "; " + std::string(kExpected));
    }
    return false;
  }

  std::size_t read_zip(char* into, std::size_t size) {
    for (;;) {
      if (served_ < first_line_.size()) {
        const std::size_t taken = std::min(size, first_line_.size() - served_);
        std::memcpy(into, first_line_.data() + served_, taken);
        served_ += taken;
        last_byte_ = into[taken - 1];
        return taken;
      }
      if (in_entry_) {
        const std::size_t made = entry_bytes(entry_, into, size);
        if (made > 0) {
          last_byte_ = into[made - 1];
          return made;
        }
        in_entry_ = false;
        // Each file's rows end at a line feed, so the next file's first row
        // begins a line of its own.
        if (last_byte_ != '\n') {
          last_byte_ = '\n';
          into[0] = '\n';
          return 1;
        }
      }
      if (archive_ended_) return 0;
      if (!open_geonames_entry()) {
        archive_ended_ = true;
        return 0;
      }
      in_entry_ = true;
    }
  }

  Source& file_;
  std::string description_;
  std::unique_ptr<unsigned char[]> input_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::uint64_t consumed_ = 0;
  bool started_ = false;
  Kind kind_ = Kind::plain;
  z_stream stream_{};
  bool inflating_ = false;
  bool gzip_ended_ = false;
  Entry entry_;
  bool in_entry_ = false;
  bool archive_ended_ = false;
  bool found_geonames_ = false;
  std::string first_line_;
  std::size_t served_ = 0;
  char last_byte_ = '\n';
  std::vector<std::string> passed_over_;
};

GazetteerFile::GazetteerFile(Source& file, std::string description)
    : reader_(std::make_unique<Reader>(file, std::move(description))) {}

GazetteerFile::~GazetteerFile() = default;

std::size_t GazetteerFile::read(char* into, std::size_t size) { return reader_->read(into, size); }

std::size_t GazetteerFile::size_hint() const { return reader_->size_hint(); }

std::uint64_t GazetteerFile::consumed() const { return reader_->consumed(); }

}  // namespace platsmarkeraren
