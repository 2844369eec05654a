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
const kCheck = 2;
const kDraft = 3;
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

// A gazetteer as downloaded, zipped or gzipped, inflated by the browser's
// own DecompressionStream into one plain file of the GeoNames files it
// holds, in the archive's order; other entries (readme.txt) are passed over.
// The core reads the plain file as the program reads an archive.
const kGeoNamesTabs = 18;

class GazetteerError extends Error {}

const littleEndian = (bytes, at, count) => {
  let value = 0;
  for (let i = count - 1; i >= 0; i -= 1) value = value * 256 + bytes[at + i];
  return value;
};

async function bytesOf(blob) {
  return new Uint8Array(await blob.arrayBuffer());
}

function inflated(blob, format) {
  return new Response(blob.stream().pipeThrough(new DecompressionStream(format))).blob();
}

// The entries of a zip archive, from its directory at the end: a File can
// be read anywhere, so no entry's size need be guessed.
async function zipEntries(file, says) {
  const tailSize = Math.min(file.size, 65557);
  const tail = await bytesOf(file.slice(file.size - tailSize));
  let end = -1;
  for (let at = tail.length - 22; at >= 0 && end < 0; at -= 1) if (littleEndian(tail, at, 4) === 0x06054b50) end = at;
  if (end < 0) throw new GazetteerError(says('tar slut mitt i en packad fil: den är avbruten eller trasig; hämta den igen'));
  let count = littleEndian(tail, end + 10, 2);
  let size = littleEndian(tail, end + 12, 4);
  let offset = littleEndian(tail, end + 16, 4);
  if (end >= 20 && littleEndian(tail, end - 20, 4) === 0x07064b50) {
    const record = await bytesOf(file.slice(littleEndian(tail, end - 12, 8), littleEndian(tail, end - 12, 8) + 56));
    count = littleEndian(record, 32, 8);
    size = littleEndian(record, 40, 8);
    offset = littleEndian(record, 48, 8);
  }
  const directory = await bytesOf(file.slice(offset, offset + size));
  const entries = [];
  for (let at = 0, i = 0; i < count; i += 1) {
    if (littleEndian(directory, at, 4) !== 0x02014b50) throw new GazetteerError(says('är trasigt: arkivets register går inte att läsa; hämta filen igen'));
    const entry = {
      flags: littleEndian(directory, at + 8, 2),
      method: littleEndian(directory, at + 10, 2),
      compressed: littleEndian(directory, at + 20, 4),
      size: littleEndian(directory, at + 24, 4),
      offset: littleEndian(directory, at + 42, 4),
    };
    const nameSize = littleEndian(directory, at + 28, 2);
    const extraSize = littleEndian(directory, at + 30, 2);
    entry.name = new TextDecoder().decode(directory.subarray(at + 46, at + 46 + nameSize));
    for (let field = at + 46 + nameSize; field + 4 <= at + 46 + nameSize + extraSize;) {
      const length = littleEndian(directory, field + 2, 2);
      if (littleEndian(directory, field, 2) === 1) {
        let value = field + 4;
        for (const key of ['size', 'compressed', 'offset']) {
          if (entry[key] === 0xffffffff) {
            entry[key] = littleEndian(directory, value, 8);
            value += 8;
          }
        }
      }
      field += 4 + length;
    }
    entries.push(entry);
    at += 46 + nameSize + extraSize + littleEndian(directory, at + 32, 2);
  }
  return entries;
}

async function unzipped(file, says) {
  const parts = [];
  const passedOver = [];
  for (const entry of await zipEntries(file, says)) {
    if (entry.name.endsWith('/')) continue;
    if ((entry.flags & 1) !== 0) throw new GazetteerError(says(`har en krypterad post, "${entry.name}": packa upp den med lösenordet och välj textfilen`));
    if (entry.method !== 0 && entry.method !== 8) {
      throw new GazetteerError(says(`har en post, "${entry.name}", packad med en metod som programmet inte läser (nummer ${entry.method}); packa den med vanlig zip eller välj textfilen`));
    }
    const header = await bytesOf(file.slice(entry.offset, entry.offset + 30));
    const start = entry.offset + 30 + littleEndian(header, 26, 2) + littleEndian(header, 28, 2);
    const data = file.slice(start, start + entry.compressed);
    const text = entry.method === 8 ? await inflated(data, 'deflate-raw') : data;
    if (text.size !== entry.size) throw new GazetteerError(says(`är trasigt: posten "${entry.name}" är inte så stor som arkivet säger`));
    const first = new TextDecoder().decode(await bytesOf(text.slice(0, 65536)));
    const line = first.split('\n');
    if (line.length > 1 && line[0].split('\t').length === kGeoNamesTabs + 1) {
      parts.push(text);
      const last = await bytesOf(text.slice(text.size - 1));
      if (last[0] !== 10) parts.push('\n');
    } else {
      passedOver.push(entry.name);
    }
  }
  if (parts.length === 0) {
    throw new GazetteerError(says(`är ett zip-arkiv utan någon GeoNames-fil${passedOver.length ? ` (det har ${passedOver.join(', ')})` : ''}; `
      + 'välj GeoNames-filen som du hämtade, till exempel SE.zip från download.geonames.org'));
  }
  return new File(parts, file.name);
}

async function plainGazetteer(file) {
  if (!file) return file;
  const says = (what) => `ortregister "${file.name}" ${what}`;
  const head = await bytesOf(file.slice(0, 4));
  try {
    if (head[0] === 0x1f && head[1] === 0x8b) return new File([await inflated(file, 'gzip')], file.name);
    if (littleEndian(head, 0, 4) === 0x04034b50) return await unzipped(file, says);
  } catch (error) {
    if (error instanceof GazetteerError) throw error;
    throw new GazetteerError(says('är trasigt: det packade går inte att packa upp; hämta filen igen'));
  }
  return file;
}

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
  let files = request.files.map((file, slot) => (file === null && slot === 1
    ? new File([], 'koordinater.txt') : file));
  // Only the check and the draft read the gazetteer.
  const readsGazetteer = request.finish === undefined && (request.action === kCheck || request.action === kDraft);
  try {
    if (readsGazetteer) files = [files[0], files[1], await plainGazetteer(files[2])];
  } catch (error) {
    failed(error instanceof GazetteerError ? error.message : `fel i sidan: ${error}`);
    return;
  }
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
