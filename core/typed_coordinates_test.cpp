#include "core/typed_coordinates.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "core/coordinate_value.hpp"

namespace platsmarkeraren {
namespace {

// The forms people copy from map services and atlases, each brought to
// GEDCOM's; and what is wrong with the others, in the program's words.
TEST(TypedCoordinates, ReadsTheFormsPeopleCopy) {
  const std::pair<const char*, const char*> read[] = {
      {"59.8586, 17.6389", "N59.8586 E17.6389"},
      {"59.8586,17.6389", "N59.8586 E17.6389"},
      {"59,8586 17,6389", "N59.8586 E17.6389"},
      {"59,8586; 17,6389", "N59.8586 E17.6389"},
      {"N59.8586 E17.6389", "N59.8586 E17.6389"},
      {"59.8586 N, 17.6389 E", "N59.8586 E17.6389"},
      {"E17.6389 N59.8586", "N59.8586 E17.6389"},
      {"59\u00b051\u203231\u2033N 17\u00b038\u203220\u2033E", "N59.85861 E17.63889"},
      {"59\u00b051'31\"N 17\u00b038'20\"\u00d6", "N59.85861 E17.63889"},
      {"33\u00b055.5' S 18\u00b025.4' E", "S33.92500 E18.42333"},
      {"-33.9249, -70.5", "S33.9249 W70.5"},
      {"N 40.7128, V 74.0060", "N40.7128 W74.0060"},
      // Whole degrees get one decimal, as GEDCOM 5.5.1 sizes the value.
      {"59, 17", "N59.0 E17.0"},
      {"N59 E17", "N59.0 E17.0"},
      {"59°N 17°E", "N59.0 E17.0"},
      {"-33, 151.2093", "S33.0 E151.2093"},
      // Marks and blanks as pasted: the ordinal sign for degrees, the
      // minus sign of typesetting, a no-break and a zero-width space.
      {"59\u00ba51'31\"N 17\u00ba38'20\"E", "N59.85861 E17.63889"},
      {"\u221233.8688,\u00a0151.2093", "S33.8688 E151.2093"},
      {"59.8586,\u200b 17.6389\n", "N59.8586 E17.6389"},
      // Degrees and decimal minutes, as GPS receivers show them.
      {"N59 51.516 E17 38.334", "N59.85860 E17.63890"},
      {"59 51.516 N, 17 38.334 E", "N59.85860 E17.63890"},
      // The sign of zero degrees is kept: Greenwich lies west of London.
      {"51\u00b030\u203226\u2033, -0\u00b07\u203239\u2033", "N51.50722 W0.12750"},
      {"-0\u00b0 30\u2032, 17\u00b0", "S0.50000 E17.0"},
  };
  for (const auto& [typed, expected] : read) {
    const auto got = read_typed_coordinates(typed);
    ASSERT_TRUE(std::holds_alternative<TypedCoordinates>(got)) << typed << ": " << std::get<std::string>(got);
    const TypedCoordinates& coordinates = std::get<TypedCoordinates>(got);
    EXPECT_EQ(coordinates.latitude + " " + coordinates.longitude, expected) << typed;
    EXPECT_FALSE(coordinate_fault("LATI", coordinates.latitude)) << typed;
    EXPECT_FALSE(coordinate_fault("LONG", coordinates.longitude)) << typed;
  }
  const std::pair<const char*, const char*> refused[] = {
      {"59.8586", "till exempel"},  {"", "till exempel"},     {"Uppsala", "till exempel"},
      {"95.1, 17.6", "0–90"},        {"59.8, 190.5", "0–180"}, {"N59 N17", "N eller S"},
      {"59\u00b061'N 17\u00b0E", "0–59"}, {"1, 2, 3", "till exempel"},
      // Contradictions: a sign against its letter, decimal degrees with
      // minutes, two letters for one number, two pasted lines.
      {"N -59.5, E 17.5", "minustecken och väderstreck"}, {"-59.5 S, 17.5 E", "minustecken och väderstreck"},
      {"59.5\u00b0 30\u2032, 17.5", "decimaler och sedan minuter"}, {"N E 59.5 17.5", "två väderstreck"},
      {"59.5, 17.5\n60.5, 18.5", "flera rader"}, {"N59 E17 N", "till exempel"},
      // Longer than a double holds, either way.
      {"1000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
       "0, 17", "0–90"},
  };
  for (const auto& [typed, fault] : refused) {
    const auto got = read_typed_coordinates(typed);
    ASSERT_TRUE(std::holds_alternative<std::string>(got)) << typed;
    EXPECT_NE(std::get<std::string>(got).find(fault), std::string::npos) << typed << ": " << std::get<std::string>(got);
  }
  // A fraction longer than a double holds is still the degrees typed.
  const std::string tiny = "0." + std::string(400, '0') + "1";
  const auto small = read_typed_coordinates(tiny + ", 17");
  ASSERT_TRUE(std::holds_alternative<TypedCoordinates>(small));
  EXPECT_EQ(std::get<TypedCoordinates>(small).latitude, "N" + tiny);
}

// One value as genealogy programs write it, read into GEDCOM's form; and
// the check's hint for it names that form.
TEST(TypedCoordinates, ReadsOneValueAsProgramsWriteIt) {
  const std::pair<const char*, const char*> latitudes[] = {
      {"-22.564934", "S22.564934"}, {"60.7306N", "N60.7306"}, {"45\u00b055'25\"N", "N45.92361"},
      {"N60,6065", "N60.6065"},     {"N0", "N0.0"},          {"+17.5", "N17.5"},
  };
  for (const auto& [value, expected] : latitudes) {
    EXPECT_EQ(read_typed_value("LATI", value).gedcom, expected) << value;
    EXPECT_NE(coordinate_fault("LATI", value).value_or(expected).find(expected), std::string::npos) << value;
  }
  EXPECT_EQ(read_typed_value("LONG", "-70.5").gedcom, "W70.5");
  EXPECT_EQ(read_typed_value("LATI", "E17.5").fault, "har väderstrecket för LONG");
  EXPECT_EQ(read_typed_value("LATI", "95.5").fault, "ligger utanför 0–90 grader");
  EXPECT_EQ(read_typed_value("LATI", "59.5 17.5").fault, "är inte en koordinat");
}

}  // namespace
}  // namespace platsmarkeraren
