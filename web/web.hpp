// The page in the browser runs the program's own core, compiled to
// WebAssembly, in a Web Worker of its own so that the page stays responsive.
// The worker hands the core the files the user chose, to be read in slices,
// and takes its output in parts that become one download; no file is ever
// held whole, and none leaves the user's computer. These are the calls the
// worker makes; those the core makes back stand in browser_file.hpp.
#pragma once

extern "C" {

// What the page's buttons ask for: the program's merge, its -l, -k and -g,
// and the survey of the tree's places that the picture is drawn from.
enum PageAction {
  kPageMerge = 0,
  kPageListMissing = 1,
  kPageCheck = 2,
  kPageDraft = 3,
  kPageSurvey = 4,
};

// Runs one action on the files of the worker's slots (infil 0,
// koordinatfil 1, ortregister 2), named as the user's computer names them.
// A draft is kept, with its undecided places told to the worker, until the
// next one, to be finished with the user's choices.
// Returns 0 when all went well, 1 when a message tells why not, and 2
// when the check ran but found errors (the program's -k then ends with 1).
int page_run(int action, int keep_existing_maps, const char* genealogy_name, const char* coordinate_name,
             const char* gazetteer_name);

// Reads coordinates as the user typed them for an undecided place: the
// latitude and longitude in GEDCOM's form separated by a tab, or what is
// wrong, after a "!". The text lives until the next call.
const char* page_read_coordinates(const char* typed);

// Writes, as the output, what the last draft adds to the coordinate file
// with the user's choices: one line each, the undecided place's number, its
// latitude and longitude in GEDCOM's form, the source for the block's note,
// and 1 when it is a gazetteer's candidate, separated by tabs. Returns as
// page_run does.
int page_finish_draft(const char* choices);

enum PageStatus {
  kPageDone = 0,
  kPageFailed = 1,
  kPageFoundErrors = 2,
};

}  // extern "C"
