#include "web/place_survey.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/coordinate_index.hpp"
#include "core/memory_stream.hpp"

namespace platsmarkeraren {
namespace {

PlaceSurvey survey(const std::string& genealogy, const std::string& coordinates) {
  StringSource coordinate_source(coordinates);
  const CoordinateIndex index(coordinate_source);
  StringSource genealogy_source(genealogy);
  return survey_places(genealogy_source, index);
}

// Each place once, where the tree first names it, at its block's
// coordinates; a swapped or southern place keeps the signs it was given, so
// that the picture shows it far away.
TEST(PlaceSurvey, PlacesEachNamedPlaceAtItsBlocksCoordinates) {
  const std::string coordinates =
      "2 PLAC Älvkarleby\n3 MAP\n4 LATI N60.5667\n4 LONG E17.4500\n3 NOTE a\n3 NOTE b\n"
      "2 PLAC Vänd\n3 MAP\n4 LATI N17.45\n4 LONG W60.5\n3 NOTE a\n3 NOTE b\n"
      "2 PLAC Utan form\n3 MAP\n4 LATI 60.5\n4 LONG E17.4\n3 NOTE a\n3 NOTE b\n"
      "2 PLAC Kort\n3 MAP\n4 LATI S33.9\n";
  const std::string tree =
      "0 HEAD\r\n1 CHAR UTF-8\r\n0 @I1@ INDI\r\n1 BIRT\r\n2 PLAC Älvkarleby\r\n1 DEAT\r\n2 PLAC Vänd\r\n"
      "1 BURI\r\n2 PLAC Älvkarleby\r\n1 RESI\r\n2 PLAC Saknas\r\n1 EVEN\r\n2 PLAC Utan form\r\n"
      "1 CENS\r\n2 PLAC Kort\r\n0 TRLR\r\n";
  const PlaceSurvey found = survey(tree, coordinates);
  ASSERT_EQ(found.points.size(), 2U);
  EXPECT_EQ(found.points[0].place, "Älvkarleby");
  EXPECT_DOUBLE_EQ(found.points[0].latitude, 60.5667);
  EXPECT_DOUBLE_EQ(found.points[0].longitude, 17.45);
  EXPECT_EQ(found.points[1].place, "Vänd");
  EXPECT_DOUBLE_EQ(found.points[1].longitude, -60.5);
  EXPECT_EQ(found.without_coordinates, 3U);  // no twin, a value out of form, a block cut short
}

// A tree in ANSI shows its places' names in UTF-8 all the same.
TEST(PlaceSurvey, NamesPlacesInUtf8WhateverTheTreesEncoding) {
  const std::string place = "2 PLAC \xd6" "desh\xf6" "g\n";
  const std::string coordinates = place + "3 MAP\n4 LATI N58.2283\n4 LONG E14.6522\n";
  const PlaceSurvey found = survey("0 HEAD\n1 CHAR ANSI\n1 BIRT\n" + place, coordinates);
  ASSERT_EQ(found.points.size(), 1U);
  EXPECT_EQ(found.points[0].place, "Ödeshög");
}

}  // namespace
}  // namespace platsmarkeraren
