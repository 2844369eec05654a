#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "core/typed_coordinates.hpp"

#include "core/degrees.hpp"

namespace platsmarkeraren {

namespace {

constexpr std::string_view kExample = "skriv latitud och longitud, till exempel 59.8586, 17.6389 eller N59.8586 E17.6389";

// One coordinate as it was typed: up to three numbers (degrees, minutes,
// seconds), its sign and its hemisphere's letter.
struct Typed {
  std::vector<std::string> numbers;  // each with a decimal point, never a comma
  bool negative = false;             // typed with a minus sign, even on zero degrees
  char letter = 0;                   // N, S, E or W; 0 for none
  double degrees = 0;

  // The degrees typed as decimals alone, as they were typed.
  std::optional<DecimalDegrees> decimal() const {
    return numbers.size() == 1 ? DecimalDegrees::read(numbers[0]) : std::nullopt;
  }
};

// The marks people copy, each as the plain text it stands for.
struct Mark {
  std::string_view utf8;
  std::string_view as;  // cppcheck-suppress unusedStructMember ; read through a pointer
};
constexpr Mark kMarks[] = {
    {"\xE2\x80\xB2", " ' "},  {"\xE2\x80\xB3", " \" "}, {"\xE2\x80\x99", " ' "}, {"\xC2\xB4", " ' "},
    {"\xC2\xB0", " d "},      {"\xC2\xBA", " d "},      // the degree sign, and the ordinal sign that looks like it
    {"\xC3\x96", " E "},      {"\xC3\xB6", " E "},      // Ö for öst
    {"''", " \" "},           {"\xE2\x88\x92", "-"},    // the minus sign of typesetting
    {"\xC2\xA0", " "},        {"\xE2\x80\xAF", " "},    {"\xE2\x80\x89", " "},  // no-break and thin spaces
    {"\xE2\x80\x8B", ""},     {"\xE2\x81\xA0", ""},     {"\xEF\xBB\xBF", ""},   // spaces of no width
};

// The text with the marks people copy brought to plain ones, and blanks
// around each letter and mark, so that the rest splits at blanks.
std::string plain(std::string_view text) {
  // Where the text has decimal points, a comma can only part the two.
  const bool points = text.find('.') != std::string_view::npos;
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::string_view rest = text.substr(at);
    const auto* const mark = std::find_if(std::begin(kMarks), std::end(kMarks),
                                   [&](const Mark& each) { return rest.starts_with(each.utf8); });
    if (mark != std::end(kMarks)) {
      out.append(mark->as);
      at += mark->utf8.size() - 1;
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

bool is_letter(const std::string& word) { return word == "N" || word == "S" || word == "E" || word == "W"; }

// Where the hemisphere letters stand: before each coordinate, after each,
// or nowhere.
enum class Letters { none, first, after };

// Reads the coordinates one word at a time. Where letters stand, a letter
// begins or ends a coordinate, and the numbers between are its degrees,
// minutes and seconds; without letters, a number after a number of no
// mark, or after seconds, begins the next coordinate, as does a comma.
class Reader {
 public:
  explicit Reader(Letters letters) : letters_(letters) {}

  std::optional<std::string> letter(char c) {
    if (letters_ == Letters::first && !open().numbers.empty()) {
      if (auto fault = close()) return fault;
    }
    if (open().letter != 0 || (letters_ == Letters::after && open().numbers.empty())) {
      return std::string("två väderstreck för ett tal: skriv ett väderstreck för latituden och ett för longituden");
    }
    open().letter = c;
    return letters_ == Letters::after ? close() : std::nullopt;
  }

  void mark(int part) { part_ = part; }

  std::optional<std::string> number(std::string word) {
    std::replace(word.begin(), word.end(), ',', '.');
    const bool negative = word.front() == '-';
    if (negative || word.front() == '+') word.erase(0, 1);
    if (!DecimalDegrees::read(word)) return std::string(kExample);
    const bool next = !open().numbers.empty() && (part_ == 3 || (part_ == 0 && letters_ == Letters::none));
    if (next) {
      if (auto fault = close()) return fault;
    }
    if (!open().numbers.empty() && (negative || open().numbers.size() == 3)) return std::string(kExample);
    if (open().numbers.empty()) open().negative = negative;
    open().numbers.push_back(word);
    return std::nullopt;
  }

  std::optional<std::string> close() {
    Typed& typed = open();
    if (typed.numbers.empty()) return std::nullopt;
    for (std::size_t i = 0; i + 1 < typed.numbers.size(); ++i) {
      if (typed.numbers[i].find('.') != std::string::npos) {
        return std::string("decimaler och sedan minuter eller sekunder: skriv 59.5 eller 59° 30′, inte båda");
      }
    }
    if (typed.negative && typed.letter != 0) {
      return std::string("både minustecken och väderstreck: skriv -59.5 eller S59.5, inte båda");
    }
    double scale = 1;
    for (std::size_t i = 0; i < typed.numbers.size(); ++i, scale *= 60) {
      const double value = DecimalDegrees::read(typed.numbers[i])->value();
      if (i > 0 && value >= 60) return std::string("minuter och sekunder är 0–59");
      typed.degrees += value / scale;
    }
    part_ = 0;
    read_.emplace_back();
    return std::nullopt;
  }

  // The coordinates read, once closed; fewer or more than two when the
  // text did not give two.
  std::vector<Typed> read() const {
    std::vector<Typed> done = read_;
    if (done.back().letter == 0) done.pop_back();  // nothing begun after the last
    return done;
  }

 private:
  Typed& open() { return read_.back(); }

  Letters letters_;
  std::vector<Typed> read_ = std::vector<Typed>(1);
  int part_ = 0;  // 1 after degrees, 2 after minutes, 3 after seconds
};

Letters letters_of(const std::vector<std::string>& words) {
  if (is_letter(words.front())) return Letters::first;
  return std::any_of(words.begin(), words.end(), is_letter) ? Letters::after : Letters::none;
}

// Every coordinate the words give, or what is wrong with them.
std::variant<std::vector<Typed>, std::string> read_all(const std::vector<std::string>& words) {
  if (words.empty()) return std::string(kExample);
  Reader reader(letters_of(words));
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
      fault = reader.number(separates ? word.substr(0, word.size() - 1) : word);
      if (!fault && separates) fault = reader.close();
    }
    if (fault) return *fault;
  }
  if (auto fault = reader.close()) return *fault;
  return reader.read();
}

std::string gedcom(const Typed& typed, char positive, char negative) {
  const char letter = typed.negative ? negative : typed.letter == 0 ? positive : typed.letter;
  if (const std::optional<DecimalDegrees> decimal = typed.decimal()) {
    // Whole degrees get one decimal: GEDCOM 5.5.1 sizes a value at five
    // characters or more, and some programs read no value without a point.
    return std::string(1, letter) + typed.numbers[0] + (decimal->fraction.empty() ? ".0" : "");
  }
  char text[32];
  std::snprintf(text, sizeof text, "%c%.5f", letter, typed.degrees);
  return text;
}

bool beyond(const Typed& typed, int limit) {
  const std::optional<DecimalDegrees> decimal = typed.decimal();
  return decimal ? decimal->beyond(limit) : typed.degrees > limit;
}

// Blanks and line ends around the text are what a paste brings along.
std::string_view without_blank_ends(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool is_latitude(const Typed& typed) { return typed.letter == 'N' || typed.letter == 'S'; }
bool is_longitude(const Typed& typed) { return typed.letter == 'E' || typed.letter == 'W'; }

}  // namespace

TypedValue read_typed_value(std::string_view tag, std::string_view value) {
  const bool latitude = tag == "LATI";
  const auto read = read_all(words_of(plain(without_blank_ends(value))));
  if (const std::string* fault = std::get_if<std::string>(&read)) return {{}, *fault};
  const std::vector<Typed>& coordinates = std::get<std::vector<Typed>>(read);
  if (coordinates.size() != 1) return {{}, "är inte en koordinat"};
  const Typed& typed = coordinates.front();
  if (latitude ? is_longitude(typed) : is_latitude(typed)) {
    return {{}, latitude ? "har väderstrecket för LONG" : "har väderstrecket för LATI"};
  }
  if (beyond(typed, latitude ? 90 : 180)) return {{}, latitude ? "ligger utanför 0–90 grader" : "ligger utanför 0–180 grader"};
  return {latitude ? gedcom(typed, 'N', 'S') : gedcom(typed, 'E', 'W'), {}};
}

std::variant<TypedCoordinates, std::string> read_typed_coordinates(std::string_view text) {
  text = without_blank_ends(text);
  if (text.find_first_of("\r\n") != std::string_view::npos) {
    return std::string("texten har flera rader: klistra in koordinaterna för en ort, på en rad");
  }

  const auto both = read_all(words_of(plain(text)));
  if (const std::string* fault = std::get_if<std::string>(&both)) return *fault;
  std::vector<Typed> coordinates = std::get<std::vector<Typed>>(both);
  if (coordinates.size() != 2) return std::string(kExample);
  if (is_longitude(coordinates[0]) || is_latitude(coordinates[1])) std::swap(coordinates[0], coordinates[1]);
  if (is_longitude(coordinates[0]) || is_latitude(coordinates[1])) {
    return std::string("N eller S hör till latituden och E eller W till longituden; skriv en av varje");
  }
  if (beyond(coordinates[0], 90)) return "latituden " + gedcom(coordinates[0], 'N', 'S') + " ligger utanför 0–90 grader";
  if (beyond(coordinates[1], 180)) return "longituden " + gedcom(coordinates[1], 'E', 'W') + " ligger utanför 0–180 grader";
  return TypedCoordinates{gedcom(coordinates[0], 'N', 'S'), gedcom(coordinates[1], 'E', 'W')};
}

}  // namespace platsmarkeraren
