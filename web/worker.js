// The page's worker: runs the core, which the build puts before this script
// as `createCore`, on the files the page sends, and sends back what it
// wrote as one Blob, its messages, and the points of the picture.
'use strict';

// Files are read in slices of this size, one FileReaderSync call each; the
// core's own reads are smaller and are served from the slice.
const kSliceBytes = 8 << 20;
// As web.hpp has them.
const kFailed = 1;
const kMerge = 0;
const kSurvey = 4;
// Progress is told the page at most this often, in milliseconds.
const kProgressEvery = 100;

class SlicedFile {
  constructor(file) {
    this.file = file;
    this.position = 0;
    this.slice = new Uint8Array(0);
    this.sliceStart = 0;
  }

  read(size) {
    if (this.position >= this.sliceStart + this.slice.length) {
      const end = Math.min(this.file.size, this.position + Math.max(size, kSliceBytes));
      this.slice = new Uint8Array(new FileReaderSync().readAsArrayBuffer(this.file.slice(this.position, end)));
      this.sliceStart = this.position;
    }
    const offset = this.position - this.sliceStart;
    const piece = this.slice.subarray(offset, Math.min(offset + size, this.slice.length));
    this.position += piece.length;
    return piece;
  }
}

// The output, as Blobs made straight from the core's memory: a Blob copies
// its bytes as it is made, and the browser may keep them out of the
// worker's memory. One Blob of them all costs no further copy.
class Output {
  constructor() {
    this.parts = [];
  }

  write(bytes) {
    this.parts.push(new Blob([bytes]));
  }

  blob() {
    return new Blob(this.parts);
  }
}

// What the core calls back; see browser_file.cpp.
const pageIo = {
  files: [],
  output: new Output(),
  messages: [],
  points: [],
  misplacedBlocks: [],
  read(slot, size) {
    const file = this.files[slot];
    try {
      const piece = file.read(size);
      this.tellProgress();
      return piece;
    } catch (error) {
      return null;
    }
  },
  // Asked once, as the core opens the file: only files opened count
  // towards the progress.
  size(slot) {
    const file = this.files[slot];
    if (!file) return 0;
    file.opened = true;
    return file.file.size;
  },
  write(bytes) {
    this.output.write(bytes);
  },
  message(line) {
    this.messages.push(line);
  },
  point(place, latitude, longitude) {
    this.points.push({ place, latitude, longitude });
  },
  pointsEnd(without) {
    postMessage({ points: this.points, without });
  },
  undecidedPlaces(places, drafted) {
    this.undecided = { places, drafted };
  },
  misplaced(place, latitude, longitude, placeLatitude, placeLongitude) {
    this.misplacedBlocks.push({ place, latitude, longitude, placeLatitude, placeLongitude });
  },
  lastProgress: 0,
  tellProgress() {
    const now = performance.now();
    if (now - this.lastProgress < kProgressEvery) return;
    this.lastProgress = now;
    let done = 0;
    let size = 0;
    for (const file of this.files) {
      if (!file || !file.opened) continue;
      done += file.position;
      size += file.file.size;
    }
    postMessage({ progress: size === 0 ? 1 : done / size });
  },
  start(files) {
    this.files = files.map((file) => (file ? new SlicedFile(file) : null));
    this.output = new Output();
    this.messages = [];
    this.points = [];
    this.misplacedBlocks = [];
    this.undecided = null;
  },
};

const core = createCore();

const failed = (line) => postMessage({ done: true, status: kFailed, messages: [line] });

// A request is one of:
// - { action, files: [infil, koordinatfil, ortregister], keepMaps, survey }:
//   with `survey`, the places are surveyed once the action is done, and
//   the points follow in a message of their own. A draft also tells its
//   undecided places.
// - { validate, id }: coordinates as typed, read at once.
// - { finish: choices, files, keepMaps }: the last draft written with the
//   choices after the coordinate file, as its new content, and the tree
//   merged with that; then the points.
// A coordinate file not chosen is an empty one: the draft starts it anew.
onmessage = async (event) => {
  const request = event.data;
  let module;
  try {
    module = await core;
  } catch (error) {
    // An older browser lacks what the core is compiled for.
    failed(`webbläsaren kan inte köra sidans WebAssembly (${error}); prova en nyare webbläsare`);
    return;
  }
  if (request.validate !== undefined) {
    const answer = module.ccall('page_read_coordinates', 'string', ['string'], [request.validate]);
    postMessage(answer.startsWith('!') ? { validated: request.id, fault: answer.slice(1) }
      : { validated: request.id, latitude: answer.split('\t')[0], longitude: answer.split('\t')[1] });
    return;
  }
  const files = request.files.map((file, slot) => (file === null && slot === 1
    ? new File([], 'koordinater.txt') : file));
  const names = files.map((file) => (file ? file.name : ''));
  const run = (action, runFiles = files) => {
    pageIo.start(runFiles);
    return module.ccall('page_run', 'number', ['number', 'number', 'string', 'string', 'string'],
                        [action, request.keepMaps ? 1 : 0, ...runFiles.map((file) => (file ? file.name : ''))]);
  };
  let status;
  let coordinates = null;
  let runFiles = files;
  try {
    if (request.finish !== undefined) {
      pageIo.start(files);
      status = module.ccall('page_finish_draft', 'number', ['string'], [request.finish]);
      if (status !== kFailed) {
        coordinates = new File([files[1], pageIo.output.blob()], names[1]);
        runFiles = [files[0], coordinates, files[2]];
        status = run(kMerge, runFiles);
      }
    } else {
      status = run(request.action);
    }
  } catch (error) {
    // Only a fault of the page itself gets here; the core reports its own.
    failed(`fel i sidan: ${error}`);
    return;
  }
  postMessage({ done: true, status, output: pageIo.output.blob(), messages: pageIo.messages,
                misplaced: pageIo.misplacedBlocks, undecided: pageIo.undecided, coordinates });
  // The picture is drawn of a tree merged or checked, errors or not.
  if (!request.survey || status === kFailed) return;
  let surveyed;
  try {
    surveyed = run(kSurvey, runFiles);
  } catch (error) {
    pageIo.messages.push(`fel i sidan: ${error}`);
    surveyed = kFailed;
  }
  if (surveyed === kFailed) postMessage({ points: null, messages: pageIo.messages });
};
