// The page's worker: runs the core, which the build puts before this script
// as `createCore`, on the files the page sends, and sends back what it
// wrote as one Blob, its messages, and the points of the picture.
'use strict';

// Files are read in slices of this size, one FileReaderSync call each; the
// core's own reads are smaller and are served from the slice.
const kSliceBytes = 8 << 20;
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

// A zip whose directory cannot be found or read.
class ZipFault extends Error {}

// The entries of a zip archive, from its directory at the end: a File can
// be read anywhere, so no entry's size need be guessed. Each keeps what a
// copy of the archive writes again: its name's bytes, times, attributes,
// extra fields (but ZIP64's) and comment.
async function zipEntries(file) {
  const tailSize = Math.min(file.size, 65557);
  const tail = await bytesOf(file.slice(file.size - tailSize));
  let end = -1;
  for (let at = tail.length - 22; at >= 0 && end < 0; at -= 1) if (littleEndian(tail, at, 4) === 0x06054b50) end = at;
  if (end < 0) throw new ZipFault('end');
  let count = littleEndian(tail, end + 10, 2);
  let size = littleEndian(tail, end + 12, 4);
  let offset = littleEndian(tail, end + 16, 4);
  if (end >= 20 && littleEndian(tail, end - 20, 4) === 0x07064b50) {
    const record = await bytesOf(file.slice(littleEndian(tail, end - 12, 8), littleEndian(tail, end - 12, 8) + 56));
    count = littleEndian(record, 32, 8);
    size = littleEndian(record, 40, 8);
    offset = littleEndian(record, 48, 8);
  }
  if (offset + size > file.size || count > size / 46) throw new ZipFault('directory');
  const directory = await bytesOf(file.slice(offset, offset + size));
  const entries = [];
  for (let at = 0, i = 0; i < count; i += 1) {
    if (at + 46 > directory.length || littleEndian(directory, at, 4) !== 0x02014b50) throw new ZipFault('directory');
    const nameSize = littleEndian(directory, at + 28, 2);
    const extraSize = littleEndian(directory, at + 30, 2);
    const commentSize = littleEndian(directory, at + 32, 2);
    if (at + 46 + nameSize + extraSize + commentSize > directory.length) throw new ZipFault('directory');
    const entry = {
      madeBy: littleEndian(directory, at + 4, 2),
      needed: littleEndian(directory, at + 6, 2),
      flags: littleEndian(directory, at + 8, 2),
      method: littleEndian(directory, at + 10, 2),
      time: littleEndian(directory, at + 12, 2),
      date: littleEndian(directory, at + 14, 2),
      crc: littleEndian(directory, at + 16, 4),
      compressed: littleEndian(directory, at + 20, 4),
      size: littleEndian(directory, at + 24, 4),
      internal: littleEndian(directory, at + 36, 2),
      external: littleEndian(directory, at + 38, 4),
      offset: littleEndian(directory, at + 42, 4),
      nameBytes: directory.slice(at + 46, at + 46 + nameSize),
      extra: [],
      comment: directory.slice(at + 46 + nameSize + extraSize, at + 46 + nameSize + extraSize + commentSize),
      directoryOffset: offset,
    };
    entry.name = new TextDecoder().decode(entry.nameBytes);
    const extraEnd = at + 46 + nameSize + extraSize;
    for (let field = at + 46 + nameSize; field + 4 <= extraEnd;) {
      const length = littleEndian(directory, field + 2, 2);
      if (field + 4 + length > extraEnd) break;
      if (littleEndian(directory, field, 2) === 1) {
        let value = field + 4;
        for (const key of ['size', 'compressed', 'offset']) {
          if (entry[key] === 0xffffffff && value + 8 <= field + 4 + length) {
            entry[key] = littleEndian(directory, value, 8);
            value += 8;
          }
        }
      } else {
        entry.extra.push(directory.slice(field, field + 4 + length));
      }
      field += 4 + length;
    }
    entries.push(entry);
    at = extraEnd + commentSize;
  }
  return entries;
}

async function unzipped(file, says) {
  const parts = [];
  const passedOver = [];
  let entries;
  try {
    entries = await zipEntries(file);
  } catch (error) {
    if (!(error instanceof ZipFault)) throw error;
    throw new GazetteerError(says(error.message === 'end'
      ? 'tar slut mitt i en packad fil: den är avbruten eller trasig; hämta den igen'
      : 'är trasigt: arkivets register går inte att läsa; hämta filen igen'));
  }
  for (const entry of entries) {
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

// A GEDZIP archive (.gdz) as infil, as the program reads one: a zip whose
// directory names gedcom.ged. Its tree is inflated for the core; the merge
// writes the archive again with every other entry's bytes as they were,
// sliced from the file the user chose, so media of any size cost no memory.
class ArchiveError extends Error {}

const kTreeEntry = 'gedcom.ged';

const crcTable = (() => {
  const table = new Uint32Array(256);
  for (let n = 0; n < 256; n += 1) {
    let c = n;
    for (let k = 0; k < 8; k += 1) c = (c & 1) ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    table[n] = c >>> 0;
  }
  return table;
})();

// Zip's check sum of a Blob, read a chunk at a time.
async function crcOf(blob) {
  let crc = 0xffffffff;
  const reader = blob.stream().getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    for (let i = 0; i < value.length; i += 1) crc = crcTable[(crc ^ value[i]) & 0xff] ^ (crc >>> 8);
  }
  return (crc ^ 0xffffffff) >>> 0;
}

function littleBytes(value, count) {
  const bytes = new Uint8Array(count);
  for (let i = 0; i < count; i += 1, value = Math.floor(value / 256)) bytes[i] = value % 256;
  return bytes;
}

// The archive in `file`, or null when it is no GEDZIP; an archive that
// names gedcom.ged but lies about it fails with the program's words.
async function openGedzip(file) {
  let head;
  try {
    head = await bytesOf(file.slice(0, 4));
  } catch (error) {
    return null;  // a file that cannot be read: the core says so, as for any infil
  }
  if (head.length < 4 || littleEndian(head, 0, 4) !== 0x04034b50) return null;
  let entries;
  try {
    entries = await zipEntries(file);
  } catch (error) {
    if (error instanceof ZipFault) return null;
    throw error;
  }
  const trees = entries.filter((entry) => entry.name === kTreeEntry);
  if (trees.length === 0) return null;
  const says = (what) => `infil "${file.name}": ${what}`;
  if (trees.length > 1) throw new ArchiveError(says('arkivet är skadat: det har två gedcom.ged'));
  for (const [i, entry] of entries.entries()) {
    entry.end = i + 1 < entries.length ? entries[i + 1].offset : entry.directoryOffset;
    const header = await bytesOf(file.slice(entry.offset, entry.offset + 30));
    if (entry.end < entry.offset + 30 || header.length < 30) {
      throw new ArchiveError(says('arkivet är skadat: posterna står inte i ordning eller går in i varandra'));
    }
    if (littleEndian(header, 0, 4) !== 0x04034b50) throw new ArchiveError(says(`arkivet är skadat: en post saknar sitt huvud: ${entry.name}`));
    entry.data = entry.offset + 30 + littleEndian(header, 26, 2) + littleEndian(header, 28, 2);
    if (entry.data > entry.end || entry.end - entry.data < entry.compressed) {
      throw new ArchiveError(says('arkivet är skadat: posterna står inte i ordning eller går in i varandra'));
    }
  }
  const tree = entries.indexOf(trees[0]);
  return { file, entries, tree, treeFile: await inflatedTree(file, trees[0], says) };
}

async function inflatedTree(file, entry, says) {
  const damaged = (why) => new ArchiveError(says(`gedcom.ged i arkivet är skadat: ${why}`));
  if ((entry.flags & 1) !== 0) throw damaged('det är krypterat');
  if (entry.method !== 0 && entry.method !== 8) throw damaged(`det är packat med metod ${entry.method}, som inte läses här`);
  const data = file.slice(entry.data, entry.data + entry.compressed);
  let text;
  try {
    text = entry.method === 8 ? await inflated(data, 'deflate-raw') : data;
  } catch (error) {
    throw damaged('de packade byten går inte att packa upp');
  }
  if (text.size !== entry.size || await crcOf(text) !== entry.crc) throw damaged('kontrollsumman eller storleken stämmer inte');
  return new File([text], `${file.name}:${kTreeEntry}`);
}

// The directory's record of an entry, with a ZIP64 field for what does not
// fit in 32 bits.
function directoryRecord(entry) {
  const big = [entry.size, entry.compressed, entry.offset].filter((value) => value >= 0xffffffff);
  const extra = [...(big.length ? [littleBytes(1, 2), littleBytes(8 * big.length, 2), ...big.map((v) => littleBytes(v, 8))] : []),
    ...entry.extra];
  const extraSize = extra.reduce((sum, part) => sum + part.length, 0);
  const small = (value) => littleBytes(Math.min(value, 0xffffffff), 4);
  return [littleBytes(0x02014b50, 4), littleBytes(entry.madeBy, 2), littleBytes(big.length ? Math.max(entry.needed, 45) : entry.needed, 2),
    littleBytes(entry.flags, 2), littleBytes(entry.method, 2), littleBytes(entry.time, 2), littleBytes(entry.date, 2),
    littleBytes(entry.crc, 4), small(entry.compressed), small(entry.size), littleBytes(entry.nameBytes.length, 2),
    littleBytes(extraSize, 2), littleBytes(entry.comment.length, 2), littleBytes(0, 2), littleBytes(entry.internal, 2),
    littleBytes(entry.external, 4), small(entry.offset), entry.nameBytes, ...extra, entry.comment];
}

function directoryEnd(count, size, offset) {
  const parts = [];
  if (count >= 0xffff || size >= 0xffffffff || offset >= 0xffffffff) {
    parts.push(littleBytes(0x06064b50, 4), littleBytes(44, 8), littleBytes(45, 2), littleBytes(45, 2), littleBytes(0, 8),
      littleBytes(count, 8), littleBytes(count, 8), littleBytes(size, 8), littleBytes(offset, 8),
      littleBytes(0x07064b50, 4), littleBytes(0, 4), littleBytes(offset + size, 8), littleBytes(1, 4));
  }
  parts.push(littleBytes(0x06054b50, 4), littleBytes(0, 4), littleBytes(Math.min(count, 0xffff), 2),
    littleBytes(Math.min(count, 0xffff), 2), littleBytes(Math.min(size, 0xffffffff), 4),
    littleBytes(Math.min(offset, 0xffffffff), 4), littleBytes(0, 2));
  return parts;
}

// The archive again, with `tree` deflated in its tree's place.
async function gedzipWith(archive, tree) {
  const parts = [];
  const records = [];
  let at = 0;
  for (const [i, entry] of archive.entries.entries()) {
    const written = { ...entry, offset: at };
    if (i !== archive.tree) {
      parts.push(archive.file.slice(entry.offset, entry.end));
      at += entry.end - entry.offset;
    } else {
      const deflated = await new Response(tree.stream().pipeThrough(new CompressionStream('deflate-raw'))).blob();
      if (tree.size >= 0xffffffff || deflated.size >= 0xffffffff) {
        throw new ArchiveError(`infil "${archive.file.name}": det nya gedcom.ged blir större än 4 GiB, mer än arkivet kan hålla här`);
      }
      Object.assign(written, { flags: (entry.flags & 0x0800) | 0x0008, method: 8, needed: Math.max(entry.needed, 20),
                               crc: await crcOf(tree), compressed: deflated.size, size: tree.size });
      const header = [littleBytes(0x04034b50, 4), littleBytes(20, 2), littleBytes(written.flags, 2), littleBytes(8, 2),
        littleBytes(entry.time, 2), littleBytes(entry.date, 2), littleBytes(0, 12), littleBytes(entry.nameBytes.length, 2),
        littleBytes(0, 2), entry.nameBytes];
      const descriptor = [littleBytes(0x08074b50, 4), littleBytes(written.crc, 4), littleBytes(written.compressed, 4),
        littleBytes(written.size, 4)];
      parts.push(...header, deflated, ...descriptor);
      at += 30 + entry.nameBytes.length + deflated.size + 16;
    }
    records.push(written);
  }
  const directory = records.flatMap(directoryRecord);
  const directorySize = directory.reduce((sum, part) => sum + part.length, 0);
  return new Blob([...parts, ...directory, ...directoryEnd(records.length, directorySize, at)]);
}

const failed = (line) => postMessage({ done: true, status: kPageFailed, messages: [line] });

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
  const readsGazetteer = request.finish === undefined && (request.action === kPageCheck || request.action === kPageDraft);
  let archive = null;
  try {
    if (readsGazetteer) files = [files[0], files[1], await plainGazetteer(files[2])];
    if (files[0]) archive = await openGedzip(files[0]);
    if (archive) files = [archive.treeFile, files[1], files[2]];
  } catch (error) {
    failed(error instanceof GazetteerError || error instanceof ArchiveError ? error.message : `fel i sidan: ${error}`);
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
      if (status !== kPageFailed) {
        coordinates = new File([files[1], pageIo.output.blob()], names[1]);
        runFiles = [files[0], coordinates, files[2]];
        status = run(kPageMerge, runFiles);
      }
    } else {
      status = run(request.action);
    }
  } catch (error) {
    // Only a fault of the page itself gets here; the core reports its own.
    failed(`fel i sidan: ${error}`);
    return;
  }
  let output = pageIo.output.blob();
  const merged = status !== kPageFailed && (request.finish !== undefined || request.action === kPageMerge);
  try {
    if (archive && merged) output = await gedzipWith(archive, output);
  } catch (error) {
    failed(error instanceof ArchiveError ? error.message : `fel i sidan: ${error}`);
    return;
  }
  postMessage({ done: true, status, output, messages: pageIo.messages, archived: archive !== null,
                misplaced: pageIo.misplacedBlocks, undecided: pageIo.undecided, coordinates });
  // The picture is drawn of a tree merged or checked, errors or not.
  if (!request.survey || status === kPageFailed) return;
  let surveyed;
  try {
    surveyed = run(kPageSurvey, runFiles);
  } catch (error) {
    pageIo.messages.push(`fel i sidan: ${error}`);
    surveyed = kPageFailed;
  }
  if (surveyed === kPageFailed) postMessage({ points: null, messages: pageIo.messages });
};
