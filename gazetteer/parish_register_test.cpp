#include "gazetteer/parish_register.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace platsmarkeraren {
namespace {

std::vector<std::string> found(const std::string& text) {
  const ParishRegister& parishes = ParishRegister::built_in();
  const std::vector<const GazetteerRow*> places = parishes.match(parishes.read(text)).places;
  std::vector<std::string> names(places.size());
  std::transform(places.begin(), places.end(), names.begin(),
                 [](const GazetteerRow* row) { return row->name + ", " + row->parish_where; });
  return names;
}

using Names = std::vector<std::string>;

// Every form in which Swedish genealogists write one parish finds it.
TEST(ParishRegister, ReadsAParishAsGenealogistsWriteIt) {
  for (const char* text :
       {"Rasbo", "Rasbo sn", "Rasbo socken", "Rasbo församling", "Rasbo förs.", "Rasbo fs", "Rasbo (C)", "Rasbo, C",
        "Rasbo sn, C", "Rasbo, Uppsala län", "Rasbo, Uppsala", "Rasbo sn, Uppsala län, Sverige", "Rasbo, Uppland",
        "Rasbo sn, Rasbo härad, Uppsala län", "Rasbo, Uppsala kommun, C", "Rasbo, , Uppsala län, Sverige",
        "rasbo sn, uppsala län"}) {
    EXPECT_EQ(found(text), (Names{"Rasbo församling, Uppsala län"})) << text;
  }
  for (const char* text : {"Leksand (W)", "Leksand, Kopparbergs län", "Leksand, Dalarnas län", "Leksands församling"}) {
    EXPECT_EQ(found(text).size(), 1U) << text;
  }
  EXPECT_EQ(found("Stora Kopparbergs församling").size(), 1U);
  for (const char* text : {"Fors (Z)", "Fors församling (Z-län)", "Fors, Jämtlands län"}) {
    ASSERT_EQ(found(text).size(), 1U) << text;
    EXPECT_TRUE(found(text)[0].starts_with("Fors församling (Z-län), Jämtlands län")) << found(text)[0];
  }
}

TEST(ParishRegister, TellsTownsAndTheirCountryParishesApart) {
  EXPECT_EQ(found("Arboga lfs"), (Names{"Arboga landsförsamling, Västmanlands län"}));
  EXPECT_EQ(found("Arboga landsförsamling"), (Names{"Arboga landsförsamling, Västmanlands län"}));
  EXPECT_EQ(found("Arboga stadsförsamling"), found("Arboga sfs"));
  EXPECT_EQ(found("Arboga"), found("Arboga sfs"));
  EXPECT_EQ(found("Arboga").size(), 1U);
}

// Namesakes are never guessed: without a county that tells them apart the
// place is undecided; a county decides, unless namesakes share it too.
TEST(ParishRegister, NeverGuessesAmongNamesakes) {
  EXPECT_GT(found("Fors").size(), 1U);
  EXPECT_GT(found("Näsby sn").size(), 1U);
  EXPECT_GT(found("Berg").size(), 1U);
  EXPECT_EQ(found("Asa sn, G").size(), 1U);
  EXPECT_GT(found("Kulltorp, F").size(), 1U);
  EXPECT_TRUE(found("Rasbo, Norrbottens län").empty());
  // A farm within a parish, and a place abroad, are no parish.
  EXPECT_TRUE(found("Ås, Falköping").empty());
  EXPECT_TRUE(found("Malmö, Nebraska, USA").empty());
  EXPECT_TRUE(found("Qwertyby sn").empty());
}

}  // namespace
}  // namespace platsmarkeraren
