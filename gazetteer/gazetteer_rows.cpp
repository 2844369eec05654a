#include "gazetteer/gazetteer_rows.hpp"

#include "core/tree_encoding.hpp"

#include <algorithm>
#include <iterator>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "gazetteer/country_rules.hpp"
#include "gazetteer/place_name.hpp"
#include "core/stretch_reader.hpp"
#include "core/side_by_side.hpp"
#include "core/stretch_workers.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platsmarkeraren {

namespace {

constexpr std::size_t kColumns = 19;

enum Column : std::size_t {
  kId = 0,
  kName = 1,
  kAsciiName = 2,
  kAlternateNames = 3,
  kLatitude = 4,
  kLongitude = 5,
  kFeatureCode = 7,
  kCountry = 8,
  kAdmin1 = 10,
  kAdmin2 = 11,
};

// The kind of a feature code that names a place, if it is one.
std::optional<PlaceKind> kind_of(std::string_view code) {
  if (code.starts_with("PPL")) return PlaceKind::populated;
  if (code == "PRSH") return PlaceKind::parish;
  if (code == "CH") return PlaceKind::church;
  if (code == "ADM2") return PlaceKind::municipality;
  return std::nullopt;
}

// The level of a feature code that names a division: 0 for a country, 1
// for a first-level division (a state, a county), 2 for a second-level one.
std::optional<int> division_level(std::string_view code) {
  if (code == "ADM1") return 1;
  if (code == "ADM2") return 2;
  if (code.starts_with("PCL")) return 0;
  return std::nullopt;
}

// The columns of one row that a draft reads, those up to the admin2 code,
// and how many there are in all.
constexpr std::size_t kColumnsRead = kAdmin2 + 1;
struct Row {
  std::string_view columns[kColumnsRead];
  std::size_t count = 0;  // more than 19 when the row has more columns
  const char* open = nullptr;  // where the column not ended yet begins

  void end_column(const char* first, const char* last) {
    if (count < kColumnsRead) columns[count] = {first, static_cast<std::size_t>(last - first)};
    ++count;
  }
};

#if defined(__SSE2__)
// The bits set in a mask of sixteen. std::popcount is a library call on
// processors of the baseline x86-64, which have no instruction for it.
std::size_t bits_set(unsigned mask) {
  mask -= (mask >> 1) & 0x5555U;
  mask = (mask & 0x3333U) + ((mask >> 2) & 0x3333U);
  mask = (mask + (mask >> 4)) & 0x0F0FU;
  return (mask + (mask >> 8)) & 0x1FU;
}
#endif

// Splits the row that begins at `first` at its tabs, up to its line feed,
// and returns where that stands: nullptr when it is not in [first, last).
// Rows are short and their tabs many, so sixteen bytes are searched for
// both at once where the processor can; past the columns read, the tabs
// are only counted.
const char* split_row(const char* first, const char* last, Row& row) {
  row.count = 0;
  const char* column = first;
  const char* p = first;
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i feed = _mm_set1_epi8('\n');
  for (; last - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto tabs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, tab)));
    const auto feeds = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, feed)));
    if (feeds != 0) tabs &= (feeds & -feeds) - 1;  // the tabs before the line feed
    for (; tabs != 0 && row.count < kColumnsRead; tabs &= tabs - 1) {
      const char* const at = p + std::countr_zero(tabs);
      row.end_column(column, at);
      column = at + 1;
    }
    row.count += bits_set(tabs);
    if (feeds != 0) {
      const char* const at = p + std::countr_zero(feeds);
      row.end_column(column, at);
      return at;
    }
  }
#endif
  for (; p != last; ++p) {
    if (*p != '\t' && *p != '\n') continue;
    row.end_column(column, p);
    column = p + 1;
    if (*p == '\n') return p;
  }
  row.open = column;
  return nullptr;
}

template <typename Each>
void for_each_name(std::string_view names, Each each) {
  for (std::size_t from = 0; from <= names.size();) {
    const std::size_t comma = std::min(names.find(',', from), names.size());
    if (comma > from) each(names.substr(from, comma - from));
    from = comma + 1;
  }
}

const std::vector<std::uint32_t> kNone;

}  // namespace

// What one stretch of the file gave, kept apart until the stretches before
// it are in: rows then go in in the order of the file.
struct WantedRows::Found {
  std::size_t stretch = 0;
  std::size_t lines = 0;
  std::size_t bad_line = 0;  // the first line without its 19 columns, counted in the stretch; 0 for none
  std::size_t bad_columns = 0;
  std::vector<GazetteerRow> rows;
  std::vector<std::vector<std::uint32_t>> keys;  // the key lists of each row, as WantedRows numbers them
  std::string divisions;  // as WantedRows::division_rows_ holds them
  std::size_t unreadable = 0;
};

// One worker's reading of its stretches, against the tables of the rows
// looked for, which it only reads.
class WantedRows::Scanner {
 public:
  explicit Scanner(const WantedRows& wanted) : wanted_(wanted) {}

  void scan(const char* first, const char* last, Found& found) {
    found_ = &found;
    Row row;
    for (const char* next = first; next != last;) {
      const char* end = split_row(next, last, row);
      if (end == nullptr) {
        end = last;  // the last line of the file lacks its line feed
        row.end_column(row.open, last);
      }
      ++found.lines;
      if (row.count != kColumns) {
        found.bad_line = found.lines;
        found.bad_columns = row.count;
        return;
      }
      take_row(row.columns);
      next = end == last ? last : end + 1;
    }
  }

 private:
  void take_row(const std::string_view (&columns)[kColumnsRead]) {
    const std::string_view code = columns[kFeatureCode];
    if (const std::optional<int> level = division_level(code)) take_division(columns, *level);
    if (const std::optional<PlaceKind> kind = kind_of(code)) take_place(columns, *kind);
  }

  // A division is kept as one line of text, and of its names only the keys
  // looked for: a file may hold any number of division rows, each with any
  // number of names.
  void take_division(const std::string_view (&columns)[kColumnsRead], int level) {
    keys_.clear();
    const auto take = [&](const std::string& form) {
      if (wanted_.division_filter_.may_hold(form) && wanted_.division_keys_.count(form) != 0) keys_.push_back(form);
    };
    const auto add = [&](std::string_view name) {
      ascii_name_key(name, ascii_key_, exact_key_);
      take(ascii_key_);
      // Only a name of several words has a division word to take off.
      if (ascii_key_.find(' ') == std::string::npos) return;
      for (const std::string& form : division_forms(ascii_key_).keys) {
        if (form != ascii_key_) take(form);
      }
    };
    add(columns[kName]);
    if (columns[kAsciiName] != columns[kName]) add(columns[kAsciiName]);
    for_each_name(columns[kAlternateNames], add);
    std::sort(keys_.begin(), keys_.end());
    keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
    std::string& kept = found_->divisions;
    kept.append(1, static_cast<char>('0' + level)).append(1, '\t').append(columns[kCountry]).append(1, '\t');
    kept.append(level >= 1 ? columns[kAdmin1] : "").append(1, '\t').append(level == 2 ? columns[kAdmin2] : "");
    kept.append(1, '\t').append(columns[kName]);
    for (const std::string& key : keys_) kept.append(1, '\t').append(key);
    kept += '\n';
  }

  void take_place(const std::string_view (&columns)[kColumnsRead], PlaceKind kind) {
    matches_.clear();
    match_name(columns[kName], false);
    if (columns[kAsciiName] != columns[kName]) match_name(columns[kAsciiName], true);
    for_each_name(columns[kAlternateNames], [&](std::string_view name) { match_name(name, false); });
    if (matches_.empty()) return;
    const std::optional<Degrees> latitude = Degrees::read(columns[kLatitude], 90);
    const std::optional<Degrees> longitude = Degrees::read(columns[kLongitude], 180);
    if (!latitude || !longitude) {
      ++found_->unreadable;
      return;
    }
    found_->rows.push_back({std::string(columns[kId]), std::string(columns[kName]), std::string(columns[kAsciiName]),
                            *latitude, *longitude, kind, std::string(columns[kCountry]), std::string(columns[kAdmin1]),
                            std::string(columns[kAdmin2]), kNoDivision, kNoDivision, {}});
    found_->keys.push_back(matches_);
  }

  // Notes the lists of the keys that `name` has among those looked for. The
  // filter's one probe is all that most names cost.
  void match_name(std::string_view name, bool ascii_only) {
    ascii_name_key(name, ascii_key_, exact_key_);
    if (!wanted_.filter_.may_hold(ascii_key_)) return;
    exact_key(name, exact_key_);
    const KeyForms forms = key_forms(exact_key_);
    for (int i = 0; i < forms.count; ++i) {
      ascii_key(forms.forms[i], ascii_key_);
      const auto ascii = wanted_.ascii_.find(ascii_key_);
      if (ascii == wanted_.ascii_.end()) continue;
      matches_.push_back(ascii->second);
      if (ascii_only) continue;
      const auto exact = wanted_.exact_.find(std::string(forms.forms[i]));
      if (exact != wanted_.exact_.end()) matches_.push_back(exact->second);
    }
  }

  const WantedRows& wanted_;
  Found* found_ = nullptr;
  std::vector<std::uint32_t> matches_;
  std::string exact_key_;  // reused from name to name
  std::string ascii_key_;
  std::vector<std::string> keys_;
};

WantedRows::WantedRows(const std::vector<std::string>& exact_keys, const std::vector<std::string>& ascii_keys,
                       const std::vector<std::string>& division_keys)
    : filter_(ascii_keys), division_filter_(division_keys) {
  const auto number = [this](KeyLists& lists, const std::string& key) {
    if (lists.try_emplace(key, static_cast<std::uint32_t>(row_lists_.size())).second) row_lists_.emplace_back();
  };
  for (const std::string& key : exact_keys) number(exact_, key);
  for (const std::string& key : ascii_keys) number(ascii_, key);
  for (const std::string& key : division_keys) division_keys_.try_emplace(key);
}

const std::vector<std::uint32_t>& WantedRows::with_exact_key(const std::string& key) const {
  const auto found = exact_.find(key);
  return found == exact_.end() ? kNone : row_lists_[found->second];
}

const std::vector<std::uint32_t>& WantedRows::with_ascii_key(const std::string& key) const {
  const auto found = ascii_.find(key);
  return found == ascii_.end() ? kNone : row_lists_[found->second];
}

const std::vector<std::uint32_t>& WantedRows::divisions_with_key(const std::string& key) const {
  const auto found = division_keys_.find(key);
  return found == division_keys_.end() ? kNone : found->second;
}

void WantedRows::read(Source& gazetteer, std::string_view name, const std::function<void(std::size_t)>& progress) {
  // No line of a gazetteer is longer (a GeoNames row holds a few KiB at
  // most); held whole, a file without line feeds would take memory without
  // end.
  constexpr std::size_t kLongestRow = std::size_t{1} << 20;
  StretchReader reader(gazetteer,
                       ReadRules{.hold_limit = kLongestRow,
                                 .too_long = std::string(name) + " är ingen GeoNames-fil: en rad är längre än " +
                                             std::to_string(kLongestRow >> 20) + " MiB",
                                 .places = false,
                                 .learns_line_break = false,
                                 .progress = progress});
  // Each worker keeps what its stretches gave, as the tables it reads are
  // filled in only after all are done.
  std::vector<std::vector<Found>> by_worker = run_side_by_side(
      workers_for(gazetteer),  // counted before any reading starts
      [&] {
        Scanner scanner(*this);
        const auto buffer = std::make_unique<StretchReader::ReadBuffer>();
        std::vector<Found> found;
        for (Stretch stretch; reader.next(*buffer, stretch);) {
          Found& stretch_found = found.emplace_back();
          stretch_found.stretch = stretch.number;
          scanner.scan(stretch.bytes.data(), stretch.bytes.data() + stretch.bytes.size(), stretch_found);
          if (stretch_found.bad_line != 0) reader.stop();
        }
        return found;
      },
      [&] { reader.stop(); });
  std::vector<Found> found;
  for (std::vector<Found>& one : by_worker) std::move(one.begin(), one.end(), std::back_inserter(found));
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.stretch < b.stretch; });
  std::size_t lines = 0;
  for (Found& stretch : found) {
    if (stretch.bad_line != 0) {
      throw std::runtime_error(std::string(name) + " är ingen GeoNames-fil: rad " +
                               std::to_string(lines + stretch.bad_line) + " har " +
                               std::to_string(stretch.bad_columns) + " kolumner, inte 19");
    }
    lines += stretch.lines;
    add(stretch);
  }
  tie_divisions();
}

namespace {

// The columns of a line of WantedRows::division_rows_, one after another.
std::string_view next_column(std::string_view& line) {
  const std::size_t tab = std::min(line.find('\t'), line.size());
  const std::string_view column = line.substr(0, tab);
  line.remove_prefix(std::min(tab + 1, line.size()));
  return column;
}

}  // namespace

void WantedRows::tie_divisions() {
  // A division's level and codes as one key, written into a reused buffer.
  std::string code;
  const auto code_of = [&code](int level, std::string_view country, std::string_view admin1,
                               std::string_view admin2) -> const std::string& {
    code.assign(1, static_cast<char>('0' + level)).append(country).append(1, '\t').append(admin1);
    return code.append(1, '\t').append(admin2);
  };
  // Only the divisions that hold a row kept, or that a place names, are kept.
  std::unordered_map<std::string, std::uint32_t, SaltedTextHash> by_code;
  for (const GazetteerRow& row : rows_) {
    by_code.try_emplace(code_of(0, row.country, "", ""), kNoDivision);
    by_code.try_emplace(code_of(1, row.country, row.admin1, ""), kNoDivision);
    by_code.try_emplace(code_of(2, row.country, row.admin1, row.admin2), kNoDivision);
  }
  for (std::size_t from = 0; from < division_rows_.size();) {
    const std::size_t end = division_rows_.find('\n', from);
    std::string_view line(division_rows_.data() + from, end - from);
    from = end + 1;
    const int level = next_column(line)[0] - '0';
    const std::string_view country = next_column(line);
    const std::string_view admin1 = next_column(line);
    const std::string_view admin2 = next_column(line);
    const std::string_view name = next_column(line);
    code_of(level, country, admin1, admin2);
    auto found = by_code.find(code);
    if (found == by_code.end()) {
      if (line.empty()) continue;
      found = by_code.try_emplace(code, kNoDivision).first;
    }
    std::uint32_t& first = found->second;
    if (first == kNoDivision) {
      first = static_cast<std::uint32_t>(divisions_.size());
      divisions_.push_back({level, std::string(country), std::string(admin1), std::string(admin2), std::string(name)});
    }
    while (!line.empty()) division_keys_[std::string(next_column(line))].push_back(first);
  }
  std::string().swap(division_rows_);
  for (auto& [key, indices] : division_keys_) {
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  }
  for (GazetteerRow& row : rows_) {
    row.county = by_code.at(code_of(1, row.country, row.admin1, ""));
    row.district = by_code.at(code_of(2, row.country, row.admin1, row.admin2));
  }
}

void WantedRows::add(Found& found) {
  for (std::size_t i = 0; i < found.rows.size(); ++i) {
    const auto row = static_cast<std::uint32_t>(rows_.size());
    for (const std::uint32_t list : found.keys[i]) {
      std::vector<std::uint32_t>& listed = row_lists_[list];
      if (listed.empty() || listed.back() != row) listed.push_back(row);
    }
    rows_.push_back(std::move(found.rows[i]));
  }
  division_rows_ += found.divisions;
  unreadable_ += found.unreadable;
}

GazetteerCounts passed_over(const WantedRows& rows, std::string_view tree_start) {
  const bool unread = tree_encoding(tree_start) == TreeEncoding::unread;
  return {rows.unreadable(), unread ? std::string(encoding_name(tree_start)) : std::string()};
}

}  // namespace platsmarkeraren
