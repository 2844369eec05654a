// What the merge, the check, the drafts, the recovery and the page share:
// the program's one reading of the two files. Each part has its own header;
// this one includes the four every capability starts from.
//
//   Files and lines   stream.hpp (Source, Sink, and the error of a file too
//                     large to hold), line.hpp (line breaks, the
//                     place marker, the byte-order mark), gedcom_line.hpp
//                     (levels, tags, values), printable.hpp (bytes in a
//                     message), memory_stream.hpp (for tests only).
//   Letters, values   letters.hpp (code points, small and plain letters),
//                     tree_encoding.hpp and tree_header.hpp (a tree's
//                     encoding), degrees.hpp and coordinate_value.hpp (LATI
//                     and LONG), typed_coordinates.hpp (as people and
//                     other programs write them), place_maps.hpp (where a
//                     block puts its place), earth.hpp (distances),
//                     block_shape.hpp (a block's five lines),
//                     missing_places.hpp (the places a coordinate file
//                     lacks), reports.hpp (what a run counts),
//                     appended_lines.hpp (lines and notes put after the
//                     coordinate file).
//   The index         coordinate_index.hpp (the coordinate file and its
//                     twins), twin.hpp (a twin and its block, packed),
//                     used_twins.hpp (the twins a worker looks up).
//   Workers           stretch_reader.hpp (a file in stretches of whole
//                     lines, a tree's place lines found),
//                     stretch_workers.hpp and side_by_side.hpp (threads
//                     over them, the first failure stopping all),
//                     stretch_output.hpp,
//                     ordered_sink.hpp and batched_sink.hpp (their output in
//                     order), padding.hpp and large_array.hpp (its memory).
//   Sets and hashing  text_set.hpp, hash.hpp, prefetch.hpp.
#pragma once

#include "core/coordinate_index.hpp"
#include "core/gedcom_line.hpp"
#include "core/line.hpp"
#include "core/stream.hpp"
