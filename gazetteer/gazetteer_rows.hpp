// The rows of a GeoNames file that a draft can use. The file is streamed
// once and only the rows whose names are looked for are kept, with every
// county row (ADM1), which names the counties of the others, kept small:
// of its names only those looked for. Memory then follows the places
// looked for, not the gazetteer, which may hold the whole world.
//
// A GeoNames file holds one row per line, 19 columns separated by tabs,
// UTF-8, no header. Here: 1 geonameid, 2 name, 3 asciiname, 4 alternate
// names (separated by commas), 5 latitude, 6 longitude, 8 feature code,
// 9 country code, 11 admin1 code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "gazetteer/degrees.hpp"
#include "gazetteer/key_filter.hpp"
#include "merge/hash.hpp"
#include "merge/stream.hpp"

namespace platsmarkeraren {

// The kinds of rows that name a place, in the order they are preferred
// among rows that lie together.
enum class PlaceKind : std::uint8_t {
  parish,        // PRSH
  church,        // CH
  populated,     // PPL and its kinds
  municipality,  // ADM2: only where no row of the other kinds is found
};

// A row in no county the file names.
inline constexpr std::uint32_t kNoCounty = UINT32_MAX;

struct GazetteerRow {
  std::string id;
  std::string name;        // UTF-8
  std::string ascii_name;  // the file's own ASCII spelling
  Degrees latitude;
  Degrees longitude;
  PlaceKind kind;
  std::string country;
  std::string admin1;
  std::uint32_t county = kNoCounty;  // its county, an index into counties()
};

// A county: an ADM1 row, by its country and admin1 code.
struct County {
  std::string country;
  std::string admin1;
  std::string name;
};

class WantedRows {
 public:
  // `exact_keys` and `ascii_keys` are the name keys looked for,
  // `county_keys` the ASCII keys of the counties the places name.
  WantedRows(const std::vector<std::string>& exact_keys, const std::vector<std::string>& ascii_keys,
             const std::vector<std::string>& county_keys);

  // Reads a GeoNames file through, keeping the rows wanted, with as many
  // workers as pay on this machine. `progress` is told how many bytes are
  // read so far. A line without its 19 columns ends the reading with an
  // error naming `name` and the line.
  void read(Source& gazetteer, std::string_view name, const std::function<void(std::size_t)>& progress);

  // The rows whose names have this exact key, or this ASCII key, in file
  // order; indices into rows().
  const std::vector<std::uint32_t>& with_exact_key(const std::string& key) const;
  const std::vector<std::uint32_t>& with_ascii_key(const std::string& key) const;

  // The counties with a name of this key, as county_forms gives them;
  // indices into counties(), in file order. Of counties that share their
  // country and code, only the first is among them.
  const std::vector<std::uint32_t>& counties_with_key(const std::string& key) const;

  const std::vector<GazetteerRow>& rows() const { return rows_; }
  // The counties that hold a row kept, or that a place names.
  const std::vector<County>& counties() const { return counties_; }
  // Rows that named a place looked for but whose coordinates could not be read.
  std::size_t unreadable() const { return unreadable_; }

 private:
  using KeyRows = std::unordered_map<std::string, std::vector<std::uint32_t>, SaltedTextHash>;
  struct Found;
  class Scanner;
  void add(Found& found);
  // Ties each row to its county, and each county key to its counties.
  void tie_counties();

  // Read by the workers at once, and filled in only after them.
  KeyRows exact_;
  KeyRows ascii_;
  KeyRows county_keys_;
  // The county rows while the file is read, one line each: country, admin1
  // code, name, and the keys of its names looked for, separated by tabs.
  std::string county_rows_;
  KeyFilter filter_;
  KeyFilter county_filter_;
  std::vector<GazetteerRow> rows_;
  std::vector<County> counties_;
  std::size_t unreadable_ = 0;
};

}  // namespace platsmarkeraren
