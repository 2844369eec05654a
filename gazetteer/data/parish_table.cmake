# Writes the parish register's table, a C++ source, from parishes.tsv:
#   cmake -DINPUT=parishes.tsv -DOUTPUT=parish_table.cpp -P parish_table.cmake
# Run by the build, so the table is always the data file's; CMake alone does
# it, so that every build (Linux, Windows, the page) makes it the same way.
cmake_policy(SET CMP0007 NEW)  # empty columns are columns
file(READ ${INPUT} text)
# CMake's lists are parted by semicolons: the county names' own become bars,
# which the register reads back.
string(REPLACE ";" "|" text "${text}")
string(REPLACE "\n" ";" lines "${text}")
list(POP_FRONT lines header)
if(NOT header STREQUAL "nadkod\tname\tshort\tname_tag\tcounty_code\tcounty_letters\tcounty_names\tcounty_today\tfrom\tto\tlat\tlon\tarea_km2")
  message(FATAL_ERROR "${INPUT}: not the columns the register reads: ${header}")
endif()
# Every text once, in one array of zero-ended strings; rows hold where
# each begins. A table of pointers would cost a relocation per pointer in
# a position-independent program, more than the texts themselves.
set(texts "")
set(text_size 0)
macro(text_at value out)
  string(MD5 key "${value}")
  if(NOT DEFINED offset_${key})
    set(offset_${key} ${text_size})
    string(APPEND texts "    \"${value}\\0\"\n")
    string(LENGTH "${value}" length)
    math(EXPR text_size "${text_size} + ${length} + 1")
  endif()
  set(${out} ${offset_${key}})
endmacro()

set(rows "")
set(count 0)
foreach(line IN LISTS lines)
  if(line STREQUAL "")
    continue()
  endif()
  string(REPLACE "\t" ";" fields "${line}")
  list(LENGTH fields columns)
  if(NOT columns EQUAL 13)
    message(FATAL_ERROR "${INPUT}: a row without its 13 columns: ${line}")
  endif()
  list(GET fields 0 code)
  list(GET fields 4 county)
  list(GET fields 8 from)
  list(GET fields 9 to)
  list(GET fields 12 area)
  list(GET fields 6 names)
  string(REPLACE "|" ";" names "${names}")
  text_at("${names}" names_at)
  foreach(column name:1 short:2 letters:5 latitude:10 longitude:11)
    string(REPLACE ":" ";" pair "${column}")
    list(GET pair 0 field)
    list(GET pair 1 index)
    list(GET fields ${index} value)
    text_at("${value}" ${field}_at)
  endforeach()
  string(APPEND rows "    {${code}, ${name_at}, ${short_at}, ${letters_at}, ${names_at}, ${latitude_at}, ${longitude_at}, ${from}, ${to}, ${county}, ${area}f},\n")
  math(EXPR count "${count} + 1")
endforeach()
file(WRITE ${OUTPUT}.new "// Made by the build from gazetteer/data/parishes.tsv; see parish_register.hpp.
#include \"gazetteer/parish_register.hpp\"

namespace platsmarkeraren {

// One more for the zero that ends the literal itself.
const char kParishTexts[${text_size} + 1] =
${texts};

const ParishRow kParishRows[${count}] = {
${rows}};

const std::span<const ParishRow> kParishTable(kParishRows);

}  // namespace platsmarkeraren
")
# Rewritten only when changed, so that nothing is compiled again for nothing.
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
