// The page: lets the user choose the files, sends each request to the
// worker, and shows what comes back. The work itself is the worker's.
'use strict';

const fileFields = [...document.querySelectorAll('.fil')];
const fileInputs = fileFields.map((field) => field.querySelector('input'));
const actionButtons = [...document.querySelectorAll('[data-action]')];
const $ = (id) => document.getElementById(id);

const worker = new Worker(URL.createObjectURL(new Blob([$('arbetare').textContent], { type: 'text/javascript' })));

const stem = (name) => name.replace(/\.[^.]*$/, '');

// What each button asks, and how its result is offered; by the action's number in web.hpp.
const kActions = [
  {
    survey: true,
    // A GEDZIP archive is given back as one.
    download: (files, archived) => `${stem(files[0].name)}-med-koordinater.${archived ? 'gdz' : 'ged'}`,
  },
  {
    title: 'Orter som saknas i koordinatfilen',
    explain: 'Lägg raderna sist i koordinatfilen och skriv fem koordinatrader efter var och en, '
      + 'eller låt knappen ”Gör utkast ur ortregistret” skriva dem.',
    empty: 'Alla orter i släktfilen finns redan i koordinatfilen.',
    download: (files) => `${stem(files[1].name)}-saknade-orter.txt`,
  },
  {
    title: 'Granskning av koordinatfilen',
    explain: 'Varje rad säger i vilken fil och på vilken rad något bör rättas.',
    empty: 'Granskningen hittade inget att rätta.',
    survey: true,
    download: (files) => `${stem(files[1].name)}-granskning.txt`,
  },
  {
    title: 'Utkast ur ortregistret',
    explain: 'Läs igenom utkastet och lägg det sist i koordinatfilen. Rader som börjar med # är anteckningar om '
      + 'orter som inte gick att avgöra; de kommer aldrig in i släktfilen.',
    empty: 'Det finns inga orter att göra utkast för: alla finns redan i koordinatfilen.',
    download: (files) => `${stem(files[1] ? files[1].name : 'koordinater')}-utkast.txt`,
  },
];
const kFoundErrors = 2;
const kMerge = 0;
const kDraft = 3;

let busy = false;
let downloadUrl = null;
let coordinatesUrl = null;
let request = null;
// The last draft's undecided places, offered for a choice until the files change.
let draft = null;

function chosenFiles() {
  return fileInputs.map((input) => (input.files.length > 0 ? input.files[0] : null));
}

function updateButtons() {
  const files = chosenFiles();
  for (const button of actionButtons) {
    const needs = button.dataset.needs.split(',').map(Number);
    button.disabled = busy || needs.some((slot) => files[slot] === null);
  }
}

function showChosen(field, input) {
  const file = input.files[0];
  forgetDraft();
  field.querySelector('.vald').textContent = file
    ? `${file.name} (${sizeText(file.size)})`
    : 'Ingen fil vald – välj eller släpp den här.';
  updateButtons();
}

function sizeText(bytes) {
  if (bytes < 1024) return `${bytes} byte`;
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(0)} kB`;
  return `${(bytes / 1024 / 1024).toLocaleString('sv', { maximumFractionDigits: 1 })} MB`;
}

function addMessage(text, kind) {
  const line = document.createElement('p');
  line.textContent = text;
  if (kind) line.className = kind;
  $('meddelanden').append(line);
}

function offerDownload(blob, name) {
  if (downloadUrl) URL.revokeObjectURL(downloadUrl);
  downloadUrl = URL.createObjectURL(blob);
  const link = $('laddaner');
  link.href = downloadUrl;
  link.download = name;
  link.textContent = `Ladda ner ${name}`;
}

function start(action) {
  const files = chosenFiles();
  request = { action, files, keepMaps: $('behall').checked, survey: kActions[action].survey === true };
  if (action === kMerge && draft !== null) request.finish = choices();
  setBusy(true);
  $('meddelanden').replaceChildren();
  $('resultat').hidden = true;
  $('bild').hidden = true;
  $('framsteg').value = 0;
  $('arbetar').textContent = 'Arbetar …';
  worker.postMessage(request);
}

// The worker takes one request at a time: the buttons wait for the
// picture too, when one follows.
function setBusy(now) {
  busy = now;
  updateButtons();
  $('arbete').hidden = !now;
}

async function finish(reply) {
  const failed = reply.status === 1;
  const action = kActions[request.action];
  // Read before anything changes, so that the page shows the result in one
  // step: the buttons are never free while it is still on its way.
  const text = !failed && action.title ? await reply.output.text() : '';
  picture.misplaced = reply.misplaced || [];
  if (!failed && request.action === kDraft) offerChoices(reply.undecided);
  if (!failed && reply.coordinates) offerCoordinates(reply.coordinates, request.files[1]);
  setBusy(request.survey === true && !failed);
  $('arbetar').textContent = 'Ritar orterna …';
  const coordinateSize = reply.coordinates ? reply.coordinates.size : request.files[1] ? request.files[1].size : 0;
  if (!failed && request.action === kMerge && coordinateSize === 0) {
    addMessage('Koordinatfilen är tom, så inga koordinater har lagts till.', 'varning');
  }
  for (const line of reply.messages) addMessage(line, failed ? '' : 'varning');
  if (failed) {
    if (reply.messages.length === 0) addMessage('Något gick fel, och inget blev klart.');
    return;
  }
  const name = action.download(request.files, reply.archived);
  offerDownload(reply.output, name);
  $('resultatrubrik').textContent = action.title || 'Släktfilen med koordinater';
  $('resultatforklaring').textContent = action.title
    ? (text.length === 0 ? action.empty : action.explain)
    : `${name} är sparad bland dina hämtade filer. Öppna den i släktprogrammet.`;
  $('resultattext').value = text;
  $('resultattext').hidden = text.length === 0;
  $('kopiera').hidden = text.length === 0;
  $('resultat').hidden = false;
  if (!action.title) {
    $('laddaner').click();
    addMessage(`Klart: ${name} (${sizeText(reply.output.size)}).`, 'klart');
  } else if (reply.status === kFoundErrors) {
    addMessage('Granskningen hittade fel som bör rättas innan koordinaterna läggs till.');
  }
}

// The choices for the undecided places of a draft: a group of radio buttons
// for each, one per candidate and one for none, and a field for
// coordinates typed by hand, read by the core as they are typed.
function forgetDraft() {
  draft = null;
  $('val').hidden = true;
  $('valen').replaceChildren();
}

function offerChoices(undecided) {
  forgetDraft();
  if (!undecided) return;
  draft = { places: undecided.places, typed: [] };
  const count = (n, one, many) => `${n.toLocaleString('sv')} ${n === 1 ? one : many}`;
  $('valantal').textContent = `${count(undecided.drafted, 'ort fick', 'orter fick')} koordinater ur registren; `
    + `${count(undecided.places.length, 'ort återstår', 'orter återstår')}.`;
  const form = $('valen');
  undecided.places.forEach((place, index) => form.append(choiceGroup(place, index)));
  $('val').hidden = undecided.places.length === 0 && undecided.drafted === 0;
}

function element(tag, properties = {}, ...children) {
  const made = Object.assign(document.createElement(tag), properties);
  made.append(...children);
  return made;
}

function choiceGroup(place, index) {
  const group = element('fieldset', { id: `ort-${index}` }, element('legend', { textContent: place.place }),
                        element('p', { className: 'varfor', textContent: place.why }));
  const radio = (value, text, checked) => {
    const input = element('input', { type: 'radio', name: `ort-${index}`, value, checked });
    return element('label', {}, input, ` ${text}`);
  };
  place.candidates.forEach((candidate, which) => {
    group.append(radio(String(which), `${candidate.description}: ${candidate.latitude} ${candidate.longitude} `
      + `(${candidate.source} ${candidate.id})`, false));
  });
  if (place.candidates.length > 0) group.append(radio('', 'Ingen av dessa', true));
  const field = element('input', { type: 'text', id: `koord-${index}`, autocomplete: 'off', spellcheck: false });
  const status = element('span', { id: `koordfel-${index}`, className: 'status', role: 'status' });
  field.setAttribute('aria-describedby', status.id);
  group.append(element('label', { htmlFor: field.id },
                       place.candidates.length > 0 ? 'Eller latitud och longitud: ' : 'Latitud och longitud: '),
               field, ' ', status);
  field.addEventListener('input', () => {
    draft.typed[index] = undefined;
    worker.postMessage({ validate: field.value, id: index });
  });
  group.addEventListener('focusin', () => showCandidates(index));
  return group;
}

function showValidated(reply) {
  if (draft === null) return;
  const status = $(`koordfel-${reply.validated}`);
  const field = $(`koord-${reply.validated}`);
  if (field.value.trim() === '') {
    status.textContent = '';
    return;
  }
  if (reply.fault) {
    status.textContent = reply.fault;
    status.className = 'status fel';
    field.setAttribute('aria-invalid', 'true');
  } else {
    draft.typed[reply.validated] = { latitude: reply.latitude, longitude: reply.longitude };
    status.textContent = `${reply.latitude} ${reply.longitude}`;
    status.className = 'status ok';
    field.removeAttribute('aria-invalid');
    const none = document.querySelector(`input[name="ort-${reply.validated}"][value=""]`);
    if (none) none.checked = true;
  }
}

// The choices as the core reads them: a line for each place chosen for.
function choices() {
  const lines = [];
  draft.places.forEach((place, index) => {
    const chosen = document.querySelector(`input[name="ort-${index}"]:checked`);
    if (chosen && chosen.value !== '') {
      const candidate = place.candidates[Number(chosen.value)];
      lines.push([index, candidate.latitude, candidate.longitude, `${candidate.source} ${candidate.id}: ${candidate.description}`, 1]);
    } else if (draft.typed[index]) {
      lines.push([index, draft.typed[index].latitude, draft.typed[index].longitude, 'Koordinater skrivna för hand', 0]);
    }
  });
  return lines.map((line) => `${line.join('\t')}\n`).join('');
}

function offerCoordinates(blob, original) {
  if (coordinatesUrl) URL.revokeObjectURL(coordinatesUrl);
  coordinatesUrl = URL.createObjectURL(blob);
  const link = $('laddanerkoordinater');
  link.href = coordinatesUrl;
  link.download = original ? original.name : 'koordinater.txt';
  link.textContent = `Ladda ner den nya koordinatfilen, ${link.download}`;
  link.hidden = false;
}

// While a place is being decided, the picture shows its candidates; a
// click on one chooses it.
function showCandidates(index) {
  const place = draft.places[index];
  if (place.candidates.length === 0) return;
  picture.points = place.candidates.map((candidate, which) => ({
    place: candidate.description, latitude: candidate.north, longitude: candidate.east, choice: { index, which },
  }));
  picture.misplaced = [];
  $('bild').hidden = false;
  resetView();
  drawPicture(picture.points, []);
  $('bildantal').textContent = `Kandidaterna för ${place.place}: klicka på en punkt för att välja den.`;
}

function chooseAt(event) {
  if (dragging.moved) return;
  const nearest = nearestShown(event);
  if (nearest === null || !nearest.point.choice) return;
  const { index, which } = nearest.point.choice;
  const radio = document.querySelector(`input[name="ort-${index}"][value="${which}"]`);
  radio.checked = true;
  radio.focus();
}

// The picture: a plain latitude and longitude grid, fitted to the points, so
// that a point far from the rest stands out.
// Blocks that the check found far from their places are ringed in red, with
// a dashed line to where the gazetteer has the place. The picture may be
// zoomed and moved; a new set of points shows them all again.
const picture = { points: [], shown: [], misplaced: [], view: { zoom: 1, panX: 0, panY: 0 } };

// The map's arcs in degrees, decoded once: each a list of longitude,
// latitude pairs (see map_data.js).
const world = {
  arcs: kWorld.arcs.split(';').map((text) => {
    const numbers = text.split(',').map(Number);
    const points = new Float32Array(numbers.length);
    let x = 0;
    let y = 0;
    for (let i = 0; i < numbers.length; i += 2) {
      x += numbers[i];
      y += numbers[i + 1];
      points[i] = x / 100;
      points[i + 1] = y / 100;
    }
    return points;
  }),
  borders: new Set(kWorld.borders),
};

function resetView() {
  picture.view = { zoom: 1, panX: 0, panY: 0 };
}

function redraw() {
  if (!$('bild').hidden) drawPicture(picture.points, picture.misplaced);
}

// Zooms by `factor` keeping the point under (`atX`, `atY`), in CSS pixels
// from the picture's middle, where it is.
function zoomBy(factor, atX = 0, atY = 0) {
  const view = picture.view;
  const zoom = Math.min(4096, Math.max(0.25, view.zoom * factor));
  view.panX = atX - (atX - view.panX) * zoom / view.zoom;
  view.panY = atY - (atY - view.panY) * zoom / view.zoom;
  view.zoom = zoom;
  redraw();
}

// A drag moves the picture; a click that did not move it chooses a point.
const dragging = { from: null, moved: false };
function fromMiddle(event) {
  const bounds = $('ritning').getBoundingClientRect();
  return { x: event.clientX - bounds.left - bounds.width / 2, y: event.clientY - bounds.top - bounds.height / 2 };
}

// Traces an arc, forwards or (for ~index) backwards, onto the path. Where
// it crosses the 180th meridian it is taken up again on the other side.
function traceArc(context, index, x, y, first) {
  const arc = world.arcs[index < 0 ? ~index : index];
  const count = arc.length / 2;
  let previous = null;
  for (let k = 0; k < count; k += 1) {
    const i = index < 0 ? count - 1 - k : k;
    const longitude = arc[2 * i];
    const px = x(longitude);
    const py = y(arc[2 * i + 1]);
    const jumps = previous !== null && Math.abs(longitude - previous) > 180;
    if ((first && k === 0) || jumps) context.moveTo(px, py); else context.lineTo(px, py);
    previous = longitude;
  }
}

// Land, coasts and borders under the places.
function drawWorld(context, x, y, ratio) {
  context.fillStyle = '#eef1e6';
  context.beginPath();
  for (const ring of kWorld.rings) ring.forEach((index, at) => traceArc(context, index, x, y, at === 0));
  context.fill();
  context.lineWidth = ratio;
  world.arcs.forEach((arc, index) => {
    context.strokeStyle = world.borders.has(index) ? '#c4b8a8' : '#8fb0c8';
    context.beginPath();
    traceArc(context, index, x, y, true);
    context.stroke();
  });
}

function niceStep(span) {
  for (const step of [0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 30, 45, 90]) {
    if (span / step <= 8) return step;
  }
  return 90;
}

function degreesText(value, positive, negative, decimals) {
  return `${value < 0 ? negative : positive}${Math.abs(value).toFixed(decimals)}`;
}

function drawPicture(points, misplaced) {
  const canvas = $('ritning');
  const ratio = window.devicePixelRatio || 1;
  canvas.width = Math.round(canvas.clientWidth * ratio);
  canvas.height = Math.round(canvas.clientWidth * ratio * 0.58);
  const context = canvas.getContext('2d');
  const width = canvas.width;
  const height = canvas.height;
  context.clearRect(0, 0, width, height);
  picture.shown = [];
  if (points.length === 0) return;
  const latitudes = points.map((point) => point.latitude).concat(misplaced.map((block) => block.placeLatitude));
  const longitudes = points.map((point) => point.longitude).concat(misplaced.map((block) => block.placeLongitude));
  let south = Math.min(...latitudes);
  let north = Math.max(...latitudes);
  let west = Math.min(...longitudes);
  let east = Math.max(...longitudes);
  // A lone place, or a few close together, still gets a degree around it.
  if (north - south < 1) { south -= 0.5; north += 0.5; }
  if (east - west < 1) { west -= 0.5; east += 0.5; }
  const squeeze = Math.max(0.2, Math.cos(((south + north) / 2) * Math.PI / 180));
  const margin = 28 * ratio;
  const scale = Math.min((width - 2 * margin) / ((east - west) * squeeze), (height - 2 * margin) / (north - south));
  const { zoom, panX, panY } = picture.view;
  const across = squeeze * scale * zoom;
  const x = (longitude) => width / 2 + panX * ratio + (longitude - (west + east) / 2) * across;
  const y = (latitude) => height / 2 + panY * ratio - (latitude - (south + north) / 2) * scale * zoom;
  const longitudeAt = (px) => (px - width / 2 - panX * ratio) / across + (west + east) / 2;
  const latitudeAt = (py) => (height / 2 + panY * ratio - py) / (scale * zoom) + (south + north) / 2;
  context.fillStyle = '#f4f8fb';
  context.fillRect(0, 0, width, height);
  drawWorld(context, x, y, ratio);

  const step = niceStep(Math.max(north - south, east - west) / zoom);
  const decimals = step < 1 ? Math.ceil(-Math.log10(step)) : 0;
  context.font = `${11 * ratio}px system-ui, sans-serif`;
  context.fillStyle = '#6b7780';
  context.lineWidth = ratio;
  const line = (x0, y0, x1, y1, colour) => {
    context.strokeStyle = colour;
    context.beginPath();
    context.moveTo(x0, y0);
    context.lineTo(x1, y1);
    context.stroke();
  };
  context.fillStyle = '#5b6770';
  for (let latitude = Math.ceil(latitudeAt(height) / step) * step; latitude <= latitudeAt(0); latitude += step) {
    line(0, y(latitude), width, y(latitude), 'rgba(120, 140, 155, 0.25)');
    context.fillText(degreesText(latitude, 'N', 'S', decimals), 4 * ratio, y(latitude) - 3 * ratio);
  }
  for (let longitude = Math.ceil(longitudeAt(0) / step) * step; longitude <= longitudeAt(width); longitude += step) {
    line(x(longitude), 0, x(longitude), height, 'rgba(120, 140, 155, 0.25)');
    context.fillText(degreesText(longitude, 'E', 'W', decimals), x(longitude) + 3 * ratio, height - 4 * ratio);
  }

  context.fillStyle = 'rgba(31, 95, 139, 0.8)';
  for (const point of points) {
    const shown = { point, x: x(point.longitude), y: y(point.latitude) };
    picture.shown.push(shown);
    context.beginPath();
    context.arc(shown.x, shown.y, 4 * ratio, 0, 2 * Math.PI);
    context.fill();
  }

  context.lineWidth = 2 * ratio;
  for (const block of misplaced) {
    const from = { x: x(block.longitude), y: y(block.latitude) };
    const to = { x: x(block.placeLongitude), y: y(block.placeLatitude) };
    context.setLineDash([5 * ratio, 4 * ratio]);
    line(from.x, from.y, to.x, to.y, '#b3261e');
    context.setLineDash([]);
    context.strokeStyle = '#b3261e';
    for (const [at, radius] of [[from, 8], [to, 5]]) {
      context.beginPath();
      context.arc(at.x, at.y, radius * ratio, 0, 2 * Math.PI);
      context.stroke();
    }
    picture.shown.push({
      point: { place: `${block.place} enligt ortregistret`, latitude: block.placeLatitude, longitude: block.placeLongitude },
      x: to.x,
      y: to.y,
    });
  }
}

function showPoints(reply) {
  setBusy(false);
  if (reply.points === null) {
    for (const line of reply.messages) addMessage(line);
    return;
  }
  picture.points = reply.points;
  $('bild').hidden = false;
  resetView();
  drawPicture(reply.points, picture.misplaced);
  const count = (n, one, many) => `${n.toLocaleString('sv')} ${n === 1 ? one : many}`;
  $('bildantal').textContent = `${count(reply.points.length, 'ort har', 'orter har')} koordinater; `
    + `${count(reply.without, 'ort saknar', 'orter saknar')} koordinater och syns inte här.`
    + (picture.misplaced.length === 0 ? ''
      : ` ${count(picture.misplaced.length, 'block ligger', 'block ligger')} långt från sin ort enligt ortregistret: `
        + 'de är ringade i rött, och den streckade linjen går dit orten ligger.');
}

// The point drawn nearest where the pointer is, within a few pixels.
function nearestShown(event) {
  const canvas = $('ritning');
  const bounds = canvas.getBoundingClientRect();
  const ratio = canvas.width / bounds.width;
  const atX = (event.clientX - bounds.left) * ratio;
  const atY = (event.clientY - bounds.top) * ratio;
  let nearest = null;
  let nearestDistance = (12 * ratio) ** 2;
  for (const shown of picture.shown) {
    const distance = (shown.x - atX) ** 2 + (shown.y - atY) ** 2;
    if (distance < nearestDistance) {
      nearest = shown;
      nearestDistance = distance;
    }
  }
  return nearest;
}

function nameNearest(event) {
  const canvas = $('ritning');
  const ratio = canvas.width / canvas.getBoundingClientRect().width;
  const nearest = nearestShown(event);
  const label = $('punktnamn');
  label.hidden = nearest === null;
  if (nearest === null) return;
  const { place, latitude, longitude } = nearest.point;
  label.textContent = `${place}: ${degreesText(latitude, 'N', 'S', 4)}, ${degreesText(longitude, 'E', 'W', 4)}`;
  label.style.left = `${nearest.x / ratio}px`;
  label.style.top = `${nearest.y / ratio}px`;
}

worker.onmessage = (event) => {
  const reply = event.data;
  if (reply.validated !== undefined) {
    showValidated(reply);
  } else if (reply.progress !== undefined) {
    $('framsteg').value = reply.progress;
  } else if (reply.done) {
    finish(reply);
  } else {
    showPoints(reply);
  }
};
worker.onerror = (event) => {
  setBusy(false);
  addMessage(`Sidan kunde inte starta sitt arbete: ${event.message || 'okänt fel'}`);
};

fileFields.forEach((field, slot) => {
  const input = fileInputs[slot];
  input.addEventListener('change', () => showChosen(field, input));
  field.addEventListener('dragover', (event) => {
    event.preventDefault();
    field.classList.add('over');
  });
  field.addEventListener('dragleave', () => field.classList.remove('over'));
  field.addEventListener('drop', (event) => {
    event.preventDefault();
    field.classList.remove('over');
    if (event.dataTransfer.files.length === 0) return;
    input.files = event.dataTransfer.files;
    showChosen(field, input);
  });
});
// A file dropped beside the fields is not opened in place of the page.
window.addEventListener('dragover', (event) => event.preventDefault());
window.addEventListener('drop', (event) => event.preventDefault());

for (const button of actionButtons) button.addEventListener('click', () => start(Number(button.dataset.action)));
$('kopiera').addEventListener('click', async () => {
  const text = $('resultattext');
  try {
    await navigator.clipboard.writeText(text.value);
  } catch {
    text.select();
    document.execCommand('copy');
  }
  $('kopiera').textContent = 'Kopierat';
  setTimeout(() => { $('kopiera').textContent = 'Kopiera'; }, 1500);
});
$('ritning').addEventListener('pointermove', (event) => {
  if (dragging.from !== null) {
    const at = fromMiddle(event);
    const dx = at.x - dragging.from.x;
    const dy = at.y - dragging.from.y;
    if (Math.abs(dx) + Math.abs(dy) > 3) dragging.moved = true;
    if (dragging.moved) {
      picture.view.panX += dx;
      picture.view.panY += dy;
      dragging.from = at;
      redraw();
      return;
    }
  }
  nameNearest(event);
});
$('ritning').addEventListener('pointerdown', (event) => {
  dragging.from = fromMiddle(event);
  dragging.moved = false;
  nameNearest(event);
});
window.addEventListener('pointerup', () => { dragging.from = null; });
$('ritning').addEventListener('wheel', (event) => {
  event.preventDefault();
  const at = fromMiddle(event);
  zoomBy(event.deltaY < 0 ? 1.25 : 0.8, at.x, at.y);
}, { passive: false });
$('narmare').addEventListener('click', () => zoomBy(1.5));
$('langre').addEventListener('click', () => zoomBy(1 / 1.5));
$('allt').addEventListener('click', () => { resetView(); redraw(); });
$('ritning').addEventListener('click', chooseAt);
$('ritning').addEventListener('pointerleave', () => { $('punktnamn').hidden = true; });
window.addEventListener('resize', redraw);
for (const [slot, field] of fileFields.entries()) showChosen(field, fileInputs[slot]);
