// How notes and the page word a candidate place: what it is, where it
// lies, and how far from the place its text names it near. In UTF-8.
#pragma once

#include <string>

#include "gazetteer/gazetteer_rows.hpp"
#include "gazetteer/resolve.hpp"

namespace platsmarkeraren {

// Where a row lies, as the gazetteer's divisions name it: "Knox County,
// Illinois", "Uppsala län"; its country's code where none is named.
std::string where_lies(const GazetteerRow& row, const WantedRows& gazetteer);

// "Älvkarleby, socken, Uppsala län", "Fors församling (Z-län), Jämtlands
// län, från 1700".
std::string described(const GazetteerRow& row, const WantedRows& gazetteer);

// How far a candidate lies from the nearest place the place line names
// after it (", 9 km från Falköping"); empty when it names none.
std::string distance_from_near(const GazetteerRow& row, const Resolution& resolution);

}  // namespace platsmarkeraren
