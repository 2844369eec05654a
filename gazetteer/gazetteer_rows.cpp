#include "gazetteer/gazetteer_rows.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "gazetteer/counties.hpp"
#include "gazetteer/place_name.hpp"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platsmarkeraren {

namespace {

constexpr std::size_t kColumns = 19;
// Small enough for the processor's cache, which the system copies into.
constexpr std::size_t kReadSize = std::size_t{256} << 10;

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
};

// The kind of a feature code that names a place, if it is one.
std::optional<PlaceKind> kind_of(std::string_view code) {
  if (code.starts_with("PPL")) return PlaceKind::populated;
  if (code == "PRSH") return PlaceKind::parish;
  if (code == "CH") return PlaceKind::church;
  if (code == "ADM2") return PlaceKind::municipality;
  return std::nullopt;
}

// The columns of one row.
struct Row {
  std::string_view columns[kColumns];
  std::size_t count = 0;  // more than 19 when the row has more columns
  const char* open = nullptr;  // where the column not ended yet begins

  void end_column(const char* first, const char* last) {
    if (count < kColumns) columns[count] = {first, static_cast<std::size_t>(last - first)};
    ++count;
  }
};

// Splits the row that begins at `first` at its tabs, up to its line feed,
// and returns where that stands: nullptr when it is not in [first, last).
// Rows are short and their tabs many, so sixteen bytes are searched for
// both at once where the processor can.
const char* split_row(const char* first, const char* last, Row& row) {
  row.count = 0;
  const char* column = first;
  const char* p = first;
  const auto take = [&](const char* at) {
    row.end_column(column, at);
    column = at + 1;
    return *at == '\n';
  };
#if defined(__SSE2__)
  const __m128i tabs = _mm_set1_epi8('\t');
  const __m128i feeds = _mm_set1_epi8('\n');
  for (; last - p >= 16; p += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto found = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, tabs), _mm_cmpeq_epi8(bytes, feeds))));
    for (; found != 0; found &= found - 1) {
      const char* const at = p + std::countr_zero(found);
      if (take(at)) return at;
    }
  }
#endif
  for (; p != last; ++p) {
    if ((*p == '\t' || *p == '\n') && take(p)) return p;
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

WantedRows::WantedRows(const std::vector<std::string>& exact_keys, const std::vector<std::string>& ascii_keys)
    : filter_(ascii_keys) {
  for (const std::string& key : exact_keys) exact_.try_emplace(key);
  for (const std::string& key : ascii_keys) ascii_.try_emplace(key);
}

const std::vector<std::uint32_t>& WantedRows::with_exact_key(const std::string& key) const {
  const auto found = exact_.find(key);
  return found == exact_.end() ? kNone : found->second;
}

const std::vector<std::uint32_t>& WantedRows::with_ascii_key(const std::string& key) const {
  const auto found = ascii_.find(key);
  return found == ascii_.end() ? kNone : found->second;
}

void WantedRows::read(Source& gazetteer, std::string_view name, const std::function<void(std::size_t)>& progress) {
  name_ = name;
  // A bounded buffer: whole lines are taken from it, and the start of a
  // line not read to its end moves to the front. A longer line than the
  // buffer holds makes it grow.
  std::vector<char> buffer(kReadSize);
  std::size_t held = 0;
  std::size_t read_so_far = 0;
  while (true) {
    if (held == buffer.size()) buffer.resize(buffer.size() * 2);
    const std::size_t got = gazetteer.read(buffer.data() + held, buffer.size() - held);
    read_so_far += got;
    const bool at_end = got == 0;
    held += got;
    const char* next = buffer.data();
    const char* const last = buffer.data() + held;
    Row row;
    while (next != last) {
      const char* end = split_row(next, last, row);
      if (end == nullptr) {
        if (!at_end) break;
        end = last;  // the last line lacks its line feed
        row.end_column(row.open, last);
      }
      // A file saved with CR LF line ends.
      if (row.count == kColumns && row.columns[kColumns - 1].ends_with('\r')) row.columns[kColumns - 1].remove_suffix(1);
      take_row(row.columns, row.count);
      next = end == last ? last : end + 1;
    }
    held = static_cast<std::size_t>(last - next);
    std::memmove(buffer.data(), next, held);
    if (at_end) return;
    progress(read_so_far);
  }
}

void WantedRows::take_row(const std::string_view (&columns)[kColumns], std::size_t count) {
  ++line_;
  if (count != kColumns) {
    throw std::runtime_error(std::string(name_) + " är ingen GeoNames-fil: rad " + std::to_string(line_) + " har " +
                             std::to_string(count) + " kolumner, inte 19");
  }
  const std::string_view code = columns[kFeatureCode];
  if (code == "ADM1") {
    take_county(columns);
  } else if (const std::optional<PlaceKind> kind = kind_of(code)) {
    take_place(columns, *kind);
  }
}

void WantedRows::take_county(const std::string_view (&columns)[kColumns]) {
  County county{std::string(columns[kCountry]), std::string(columns[kAdmin1]), std::string(columns[kName]), {}};
  const auto add = [&](std::string_view name) {
    exact_key(name, exact_key_);
    ascii_key(exact_key_, ascii_key_);
    const CountyForms forms = county_forms(ascii_key_);
    for (const std::string_view form : {forms.name, forms.genitive_stem}) {
      if (!form.empty() && std::find(county.keys.begin(), county.keys.end(), form) == county.keys.end()) {
        county.keys.emplace_back(form);
      }
    }
  };
  add(columns[kName]);
  add(columns[kAsciiName]);
  for_each_name(columns[kAlternateNames], add);
  counties_.push_back(std::move(county));
}

void WantedRows::take_place(const std::string_view (&columns)[kColumns], PlaceKind kind) {
  matches_.clear();
  match_name(columns[kName], false);
  if (columns[kAsciiName] != columns[kName]) match_name(columns[kAsciiName], true);
  for_each_name(columns[kAlternateNames], [&](std::string_view name) { match_name(name, false); });
  if (matches_.empty()) return;
  const std::optional<Degrees> latitude = Degrees::read(columns[kLatitude], 90);
  const std::optional<Degrees> longitude = Degrees::read(columns[kLongitude], 180);
  if (!latitude || !longitude) {
    ++unreadable_;
    return;
  }
  const auto row = static_cast<std::uint32_t>(rows_.size());
  for (std::vector<std::uint32_t>* rows : matches_) {
    if (rows->empty() || rows->back() != row) rows->push_back(row);
  }
  rows_.push_back({std::string(columns[kId]), std::string(columns[kName]), std::string(columns[kAsciiName]),
                   *latitude, *longitude, kind, std::string(columns[kCountry]), std::string(columns[kAdmin1])});
}

// Notes the lists of the keys that `name` has among those looked for. The
// filter's one probe is all that most names cost.
void WantedRows::match_name(std::string_view name, bool ascii_only) {
  ascii_name_key(name, ascii_key_, exact_key_);
  if (!filter_.may_hold(ascii_key_)) return;
  exact_key(name, exact_key_);
  const KeyForms forms = key_forms(exact_key_);
  for (int i = 0; i < forms.count; ++i) {
    ascii_key(forms.forms[i], ascii_key_);
    const auto ascii = ascii_.find(ascii_key_);
    if (ascii == ascii_.end()) continue;
    matches_.push_back(&ascii->second);
    if (ascii_only) continue;
    const auto exact = exact_.find(std::string(forms.forms[i]));
    if (exact != exact_.end()) matches_.push_back(&exact->second);
  }
}

}  // namespace platsmarkeraren
