#include "check/check.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace platsmarkeraren {

namespace {

constexpr std::string_view kExample = "skriv latitud och longitud, till exempel 59.8586, 17.6389 eller N59.8586 E17.6389";

// One coordinate as it was typed: its degrees, its hemisphere's letter if
// any, and the decimals it was typed with.
struct Typed {
  double degrees = 0;
  char letter = 0;  // N, S, E or W; 0 for none
  std::string decimal;  // "59.8586" when typed as decimal degrees
};

// The text with the marks people copy brought to plain ones: primes to
// apostrophes, Swedish letters for east and west to E and W, and blanks
// around each letter and mark, so that the rest splits at blanks.
std::string plain(std::string_view text) {
  // Where the text has decimal points, a comma can only part the two.
  const bool points = text.find('.') != std::string_view::npos;
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::string_view rest = text.substr(at);
    const auto mark = [&](std::string_view utf8, std::string_view as) {
      if (!rest.starts_with(utf8)) return false;
      out.append(" ").append(as).append(" ");
      at += utf8.size() - 1;
      return true;
    };
    if (mark("\xE2\x80\xB2", "'") || mark("\xE2\x80\xB3", "\"") || mark("\xE2\x80\x99", "'") ||
        mark("\xC2\xB0", "d") || mark("\xC3\x96", "E") || mark("\xC3\xB6", "E") || mark("''", "\"")) {
      continue;
    }
    const char c = text[at];
    if (c == ',' && points) {
      out.append(" , ");
    } else if (c == '\'' || c == '"' || c == ';') {
      out.append(" ").append(1, c == ';' ? ' ' : c).append(" ");
    } else if (std::string_view("NSEWVnsewv").find(c) != std::string_view::npos) {
      const char upper = static_cast<char>(c >= 'a' ? c - 32 : c);
      out.append(" ").append(1, upper == 'V' ? 'W' : upper).append(" ");
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : text + ' ') {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// The value of digits with at most one point, read digit by digit: the
// locale's decimal mark does not enter, and a number too long for a double
// grows to infinity rather than failing.
double value_of(std::string_view digits) {
  double value = 0;
  double scale = 1;
  bool fraction = false;
  for (const char c : digits) {
    if (c == '.') {
      fraction = true;
    } else if (fraction) {
      scale /= 10;
      value += (c - '0') * scale;
    } else {
      value = value * 10 + (c - '0');
    }
  }
  return value;
}

// A number as typed, with a decimal point or comma: its value and its text
// with a point.
std::optional<std::pair<double, std::string>> number(std::string word) {
  std::replace(word.begin(), word.end(), ',', '.');
  const bool negative = !word.empty() && word.front() == '-';
  const std::string digits = negative || (!word.empty() && word.front() == '+') ? word.substr(1) : word;
  if (digits.empty() || digits.front() == '.' || digits.back() == '.' ||
      std::count(digits.begin(), digits.end(), '.') > 1 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; })) {
    return std::nullopt;
  }
  const double value = value_of(digits);
  return std::pair{negative ? -value : value, digits};
}

// Reads the coordinates one word at a time. Letters stand either before
// every coordinate or after every one, as the first word shows; a number
// after a number of no mark, or after seconds, or a comma alone, begins
// the next coordinate.
class Reader {
 public:
  explicit Reader(bool letters_first) : letters_first_(letters_first) {}

  std::optional<std::string> letter(char c) {
    if (letters_first_) {
      if (!values_.empty()) close();
      read_.back().letter = c;
    } else {
      if (values_.empty()) return std::string(kExample);
      read_.back().letter = c;
      close();
    }
    return std::nullopt;
  }

  void mark(int part) { part_ = part; }

  std::optional<std::string> value(const std::pair<double, std::string>& typed) {
    if (!values_.empty() && (part_ == 0 || part_ == 3)) {
      if (auto fault = close()) return fault;
    }
    if (values_.empty()) read_.back().decimal = typed.second;
    values_.push_back(typed.first);
    return std::nullopt;
  }

  std::optional<std::string> close() {
    if (values_.empty()) return std::nullopt;
    Typed& typed = read_.back();
    if (std::any_of(values_.begin() + 1, values_.end(), [](double v) { return v < 0 || v >= 60; })) {
      return std::string("minuter och sekunder är 0–59");
    }
    typed.degrees = std::abs(values_[0]) + (values_.size() > 1 ? values_[1] / 60 : 0) +
                    (values_.size() > 2 ? values_[2] / 3600 : 0);
    if (values_[0] < 0 && typed.letter == 0) typed.letter = '-';
    if (values_.size() > 1) typed.decimal.clear();
    values_.clear();
    part_ = 0;
    read_.emplace_back();
    return std::nullopt;
  }

  // The coordinates read, once closed; fewer or more than two when the
  // text did not give two.
  std::vector<Typed> read() {
    std::vector<Typed> done = read_;
    if (values_.empty() && done.back().letter == 0) done.pop_back();
    return done;
  }

 private:
  bool letters_first_;
  std::vector<Typed> read_ = std::vector<Typed>(1);
  std::vector<double> values_;
  int part_ = 0;  // 1 after degrees, 2 after minutes, 3 after seconds
};

bool is_letter(const std::string& word) { return word == "N" || word == "S" || word == "E" || word == "W"; }

std::variant<std::vector<Typed>, std::string> read_both(const std::vector<std::string>& words) {
  if (words.empty()) return std::string(kExample);
  Reader reader(is_letter(words.front()));
  for (const std::string& word : words) {
    std::optional<std::string> fault;
    if (is_letter(word)) {
      fault = reader.letter(word[0]);
    } else if (word == "d" || word == "'" || word == "\"") {
      reader.mark(word == "d" ? 1 : word == "'" ? 2 : 3);
    } else if (word == ",") {
      fault = reader.close();
    } else {
      const bool separates = word.size() > 1 && word.back() == ',';
      const auto value = number(separates ? word.substr(0, word.size() - 1) : word);
      if (!value) return std::string(kExample);
      fault = reader.value(*value);
      if (!fault && separates) fault = reader.close();
    }
    if (fault) return *fault;
  }
  if (auto fault = reader.close()) return *fault;
  std::vector<Typed> read = reader.read();
  if (read.size() != 2) return std::string(kExample);
  return read;
}

std::string gedcom(const Typed& typed, char positive, char negative) {
  const char letter = typed.letter == '-' ? negative : typed.letter == 0 ? positive : typed.letter;
  // Whole degrees get one decimal: GEDCOM 5.5.1 sizes a value at five
  // characters or more, and some programs read no value without a point.
  if (!typed.decimal.empty()) {
    return std::string(1, letter) + typed.decimal + (typed.decimal.find('.') == std::string::npos ? ".0" : "");
  }
  char text[32];
  std::snprintf(text, sizeof text, "%c%.5f", letter, typed.degrees);
  return text;
}

}  // namespace

std::variant<TypedCoordinates, std::string> read_typed_coordinates(std::string_view text) {
  const auto both = read_both(words_of(plain(text)));
  if (const std::string* fault = std::get_if<std::string>(&both)) return *fault;
  std::vector<Typed> coordinates = std::get<std::vector<Typed>>(both);
  const auto is_latitude = [](const Typed& typed) { return typed.letter == 'N' || typed.letter == 'S'; };
  const auto is_longitude = [](const Typed& typed) { return typed.letter == 'E' || typed.letter == 'W'; };
  if (is_longitude(coordinates[0]) || is_latitude(coordinates[1])) std::swap(coordinates[0], coordinates[1]);
  if (is_longitude(coordinates[0]) || is_latitude(coordinates[1])) {
    return std::string("N eller S hör till latituden och E eller W till longituden; skriv en av varje");
  }
  if (coordinates[0].degrees > 90) return "latituden " + gedcom(coordinates[0], 'N', 'S') + " ligger utanför 0–90 grader";
  if (coordinates[1].degrees > 180) return "longituden " + gedcom(coordinates[1], 'E', 'W') + " ligger utanför 0–180 grader";
  return TypedCoordinates{gedcom(coordinates[0], 'N', 'S'), gedcom(coordinates[1], 'E', 'W')};
}

}  // namespace platsmarkeraren
