// The rows of a GeoNames file that a draft can use. The file is streamed
// once and only the rows whose names are looked for are kept, with the
// division rows (PCLI, ADM1, ADM2) that hold them or that a place names. Memory then follows the places
// looked for, not the gazetteer, which may hold the whole world.
//
// A GeoNames file holds one row per line, 19 columns separated by tabs,
// UTF-8, no header. Here: 1 geonameid, 2 name, 3 asciiname, 4 alternate
// names (separated by commas), 5 latitude, 6 longitude, 8 feature code,
// 9 country code, 11 admin1 code, 12 admin2 code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/degrees.hpp"
#include "gazetteer/key_filter.hpp"
#include "core/hash.hpp"
#include "core/reports.hpp"
#include "core/stream.hpp"

namespace platsmarkeraren {

// The kinds of rows that name a place, in the order they are preferred
// among rows that lie together.
enum class PlaceKind : std::uint8_t {
  parish,        // PRSH
  church,        // CH
  populated,     // PPL and its kinds
  municipality,  // ADM2: only where no row of the other kinds is found
};

// A row in no division the file names.
inline constexpr std::uint32_t kNoDivision = UINT32_MAX;

struct GazetteerRow {
  std::string id;
  std::string name;        // UTF-8
  std::string ascii_name;  // the file's own ASCII spelling
  Degrees latitude;
  Degrees longitude;
  PlaceKind kind;
  std::string country;
  std::string admin1;
  std::string admin2;
  // Its first- and second-level divisions (a state and its county, a
  // Swedish county and municipality), indices into divisions().
  std::uint32_t county = kNoDivision;
  std::uint32_t district = kNoDivision;
  // For a place of the built-in parish register, where and when it lay:
  // "Jämtlands län, från 1780"; empty for a GeoNames row.
  std::string parish_where;
};

// A country (a PCLI row, level 0), a first-level division (ADM1, level 1)
// or a second-level one (ADM2, level 2), by its country and codes.
struct Division {
  int level;
  std::string country;
  std::string admin1;  // empty for a country
  std::string admin2;  // empty but for the second level
  std::string name;
};

class WantedRows {
 public:
  // `exact_keys` and `ascii_keys` are the name keys looked for,
  // `division_keys` the ASCII keys of the countries and divisions the
  // places may name.
  WantedRows(const std::vector<std::string>& exact_keys, const std::vector<std::string>& ascii_keys,
             const std::vector<std::string>& division_keys);

  // Reads a GeoNames file through, keeping the rows wanted, with as many
  // workers as pay on this machine. `progress` is told how many bytes are
  // read so far. A line without its 19 columns ends the reading with an
  // error naming `name` and the line.
  void read(Source& gazetteer, std::string_view name, const std::function<void(std::size_t)>& progress);

  // The rows whose names have this exact key, or this ASCII key, in file
  // order; indices into rows().
  const std::vector<std::uint32_t>& with_exact_key(const std::string& key) const;
  const std::vector<std::uint32_t>& with_ascii_key(const std::string& key) const;

  // The divisions with a name of this key, as division_forms gives them;
  // indices into divisions(), in file order. Of divisions that share their
  // country and codes, only the first is among them.
  const std::vector<std::uint32_t>& divisions_with_key(const std::string& key) const;

  const std::vector<GazetteerRow>& rows() const { return rows_; }
  // The divisions that hold a row kept, or that a place names.
  const std::vector<Division>& divisions() const { return divisions_; }
  // Rows that named a place looked for but whose coordinates could not be read.
  std::size_t unreadable() const { return unreadable_; }

 private:
  using KeyRows = std::unordered_map<std::string, std::vector<std::uint32_t>, SaltedTextHash>;
  // A name key's rows: the index of its list in row_lists_. The workers
  // only read the keys, and say which lists a row goes in by these
  // numbers; the lists are filled after them, in file order.
  using KeyLists = std::unordered_map<std::string, std::uint32_t, SaltedTextHash>;
  struct Found;
  class Scanner;
  void add(Found& found);
  // Ties each row to its divisions, and each division key to its divisions.
  void tie_divisions();

  KeyLists exact_;
  KeyLists ascii_;
  std::vector<std::vector<std::uint32_t>> row_lists_;
  // Read by the workers at once, and filled in only after them.
  KeyRows division_keys_;
  // The division rows while the file is read, one line each: level,
  // country, admin1 and admin2 codes, name, and the keys of its names
  // looked for, separated by tabs.
  std::string division_rows_;
  KeyFilter filter_;
  KeyFilter division_filter_;
  std::vector<GazetteerRow> rows_;
  std::vector<Division> divisions_;
  std::size_t unreadable_ = 0;
};

// What a run that read `rows` passed over: rows whose coordinates could not
// be read, and the tree's encoding (named by its header at `tree_start`)
// when it is one not read here.
GazetteerCounts passed_over(const WantedRows& rows, std::string_view tree_start);

}  // namespace platsmarkeraren
