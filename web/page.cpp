#include "web/web.hpp"

#include <emscripten.h>

#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>
#include <memory>
#include <algorithm>

#include "messages/messages.hpp"
#include "check/check.hpp"
#include "core/typed_coordinates.hpp"
#include "gazetteer/gazetteer.hpp"
#include "core/batched_sink.hpp"
#include "core/coordinate_index.hpp"
#include "core/missing_places.hpp"
#include "merge/merge.hpp"
#include "web/browser_file.hpp"
#include "web/place_survey.hpp"

namespace platsmarkeraren {

namespace {

// Each write to the page becomes a Blob, which costs the browser a round
// trip: writes go in batches of this many bytes.
constexpr std::size_t kOutputBatch = std::size_t{8} << 20;

// The worker's slots for the files.
enum Slot { kGenealogy = 0, kCoordinates = 1, kGazetteer = 2, kSlots = 3 };

// The files of a run: their names as the user's computer gives them, which
// the check's findings begin with, and as messages name them.
struct PageFiles {
  PageFiles(const char* genealogy, const char* coordinates, const char* gazetteer)
      : names{genealogy, coordinates, gazetteer},
        described{describe("infil", genealogy), describe("koordinatfil", coordinates),
                  describe("ortregister", gazetteer)} {}

  std::string_view names[kSlots];
  std::string described[kSlots];
  int read_last = -1;  // the slot read last, once any is

  // The file read last, for a message about memory; empty before any.
  std::string_view reading() const { return read_last < 0 ? std::string_view() : described[read_last]; }
};

void survey(BrowserFile& genealogy, BrowserFile& coordinates) {
  const PlaceSurvey survey = survey_places(genealogy, CoordinateIndex(coordinates));
  for (const PlacePoint& point : survey.points) show_point(point.place, point.latitude, point.longitude);
  show_points_end(survey.without_coordinates);
}

// The page has no command line to point at, so a warning names the button.
int merge_files(BrowserFile& genealogy, BrowserFile& coordinates, Sink& output, bool keep_existing_maps) {
  // The browser gives the page one thread.
  const MergeReport made = merge(genealogy, coordinates, output, {.keep_existing_maps = keep_existing_maps, .workers = 1});
  if (!made.clean()) show_message(merge_warning(made) + ". Se var med knappen \"Granska koordinatfilen\".");
  return kPageDone;
}

// A string in JSON, quoted.
void append_json(std::string& json, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  json += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json.append(1, '\\').append(1, c);
    } else if (byte < 0x20) {
      json.append("\\u00").append(1, kHex[byte >> 4]).append(1, kHex[byte & 15]);
    } else {
      json += c;
    }
  }
  json += '"';
}

std::string undecided_json(const std::vector<UndecidedPlace>& places) {
  std::string json = "[";
  for (const UndecidedPlace& place : places) {
    if (json.size() > 1) json += ',';
    json += "{\"place\":";
    append_json(json, place.place);
    json += ",\"why\":";
    append_json(json, place.why);
    json += ",\"candidates\":[";
    for (std::size_t i = 0; i < place.candidates.size(); ++i) {
      const UndecidedPlace::Candidate& candidate = place.candidates[i];
      json += i == 0 ? "{" : ",{";
      json += "\"description\":";
      append_json(json, candidate.description);
      json += ",\"latitude\":";
      append_json(json, candidate.latitude);
      json += ",\"longitude\":";
      append_json(json, candidate.longitude);
      json += ",\"north\":" + std::to_string(candidate.latitude_degrees) +
              ",\"east\":" + std::to_string(candidate.longitude_degrees) + ",\"id\":";
      append_json(json, candidate.id);
      json += ",\"source\":";
      append_json(json, candidate.source);
      json += '}';
    }
    json += "]}";
  }
  return json + ']';
}

// What a run that read the gazetteer warns of, as the command line says it.
void show_gazetteer_warnings(const GazetteerCounts& passed_over, const PageFiles& files) {
  for (const std::string& warning : gazetteer_warnings(passed_over, files.described[kGazetteer],
                                                       files.described[kGenealogy])) {
    show_message(warning);
  }
}

// The last draft, kept to be finished with the user's choices.
std::unique_ptr<DraftPlan>& last_draft() {
  static std::unique_ptr<DraftPlan> plan;
  return plan;
}

// Drafts as -g does, and tells the page the places left to choose for.
void draft_files(BrowserFile& genealogy, BrowserFile& coordinates, Sink& output, PageFiles& files) {
  last_draft().reset();
  const std::string& described = files.described[kGazetteer];
  BrowserFile gazetteer(kGazetteer, described, files.read_last);
  Source* const chosen = files.names[kGazetteer].empty() ? nullptr : &gazetteer;
  auto plan = std::make_unique<DraftPlan>(genealogy, coordinates, chosen, described, DraftOptions{.appending = true});
  plan->write({}, output);
  const DraftCounts counts = plan->counts();
  show_gazetteer_warnings(counts.passed_over, files);
  show_undecided(undecided_json(plan->undecided()), counts.resolved);
  last_draft() = std::move(plan);
}

// The check and its audit against the parish register and, when one is
// chosen, the gazetteer, each block far from its place drawn on the picture.
int check_files(BrowserFile& genealogy, BrowserFile& coordinates, Sink& output, PageFiles& files) {
  const auto check = [&](const CheckOptions& options) {
    return check_coordinate_file(genealogy, printable(files.names[kGenealogy]), coordinates,
                                 printable(files.names[kCoordinates]), output, options);
  };
  const std::string& described = files.described[kGazetteer];
  BrowserFile gazetteer(kGazetteer, described, files.read_last);
  CheckOptions options{.gazetteer = files.names[kGazetteer].empty() ? nullptr : &gazetteer, .gazetteer_name = described};
  options.misplaced = [](const AuditFinding& finding) {
    show_misplaced(finding.place, finding.latitude, finding.longitude, finding.place_latitude, finding.place_longitude);
  };
  const CheckCounts counts = check(options);
  show_gazetteer_warnings(counts.passed_over, files);
  return counts.errors == 0 ? kPageDone : kPageFoundErrors;
}

int work(int action, bool keep_existing_maps, PageFiles& files) {
  BrowserFile genealogy(kGenealogy, files.described[kGenealogy], files.read_last);
  BrowserFile coordinates(kCoordinates, files.described[kCoordinates], files.read_last);
  BrowserOutput browser;
  BatchedSink output(browser, kOutputBatch);
  int status = kPageDone;
  switch (action) {
    case kPageMerge:
      status = merge_files(genealogy, coordinates, output, keep_existing_maps);
      break;
    case kPageListMissing:
      // Shown and downloaded to be put at the end of the coordinate file.
      list_missing_places(genealogy, coordinates, output, {.appending = true});
      break;
    case kPageCheck:
      status = check_files(genealogy, coordinates, output, files);
      break;
    case kPageDraft:
      draft_files(genealogy, coordinates, output, files);
      break;
    case kPageSurvey:
      survey(genealogy, coordinates);
      break;
    default:
      throw std::invalid_argument("okänd åtgärd");
  }
  output.flush();
  return status;
}

}  // namespace

}  // namespace platsmarkeraren

extern "C" EMSCRIPTEN_KEEPALIVE int page_run(int action, int keep_existing_maps, const char* genealogy_name,
                                             const char* coordinate_name, const char* gazetteer_name) {
  using namespace platsmarkeraren;
  PageFiles files(genealogy_name, coordinate_name, gazetteer_name);
  try {
    return work(action, keep_existing_maps != 0, files);
  } catch (const std::exception& error) {
    show_message(message_for(error, files.described[kGenealogy], files.described[kCoordinates], files.reading()));
  }
  return kPageFailed;
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* page_read_coordinates(const char* typed) {
  using namespace platsmarkeraren;
  static std::string answer;
  const auto read = read_typed_coordinates(typed);
  if (const auto* coordinates = std::get_if<TypedCoordinates>(&read)) {
    answer = coordinates->latitude + '\t' + coordinates->longitude;
  } else {
    answer = '!' + std::get<std::string>(read);
  }
  return answer.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE int page_finish_draft(const char* choices) {
  using namespace platsmarkeraren;
  try {
    std::vector<ChosenCoordinates> chosen;
    std::string_view rest(choices);
    while (!rest.empty()) {
      const std::string_view line = rest.substr(0, rest.find('\n'));
      rest.remove_prefix(std::min(rest.size(), line.size() + 1));
      std::string_view fields[5];
      std::string_view left = line;
      for (std::string_view& field : fields) {
        field = left.substr(0, left.find('\t'));
        left.remove_prefix(std::min(left.size(), field.size() + 1));
      }
      chosen.push_back({static_cast<std::size_t>(std::stoul(std::string(fields[0]))), std::string(fields[1]),
                        std::string(fields[2]), std::string(fields[3]), fields[4] == "1"});
    }
    BrowserOutput browser;
    BatchedSink output(browser, kOutputBatch);
    if (last_draft()) last_draft()->write(chosen, output);
    output.flush();
    return kPageDone;
  } catch (const std::exception& error) {
    show_message(error.what());
  }
  return kPageFailed;
}
