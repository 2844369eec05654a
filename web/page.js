// The page: lets the user choose the files, sends each request to the
// worker, and shows what comes back. The work itself is the worker's.
'use strict';

const fileFields = [...document.querySelectorAll('.fil')];
const fileInputs = fileFields.map((field) => field.querySelector('input'));
const actionButtons = [...document.querySelectorAll('[data-action]')];
const $ = (id) => document.getElementById(id);

const worker = new Worker(URL.createObjectURL(new Blob([$('arbetare').textContent], { type: 'text/javascript' })));

const stem = (name) => name.replace(/\.[^.]*$/, '');

// What each button asks, and how its result is offered, by its action.
const kActions = {
  [kPageMerge]: {
    survey: true,
    // A GEDZIP archive is given back as one.
    download: (files, archived) => `${stem(files[0].name)}-med-koordinater.${archived ? 'gdz' : 'ged'}`,
  },
  [kPageListMissing]: {
    title: 'Orter som saknas i koordinatfilen',
    explain: 'Lägg raderna sist i koordinatfilen och skriv fem koordinatrader efter var och en, '
      + 'eller låt knappen ”Gör utkast ur ortregistret” skriva dem.',
    empty: 'Alla orter i släktfilen finns redan i koordinatfilen.',
    download: (files) => `${stem(files[1].name)}-saknade-orter.txt`,
  },
  [kPageCheck]: {
    title: 'Granskning av koordinatfilen',
    explain: 'Varje rad säger i vilken fil och på vilken rad något bör rättas.',
    empty: 'Granskningen hittade inget att rätta.',
    survey: true,
    download: (files) => `${stem(files[1].name)}-granskning.txt`,
  },
  [kPageDraft]: {
    title: 'Utkast ur ortregistret',
    explain: 'Läs igenom utkastet och lägg det sist i koordinatfilen. Rader som börjar med # är anteckningar om '
      + 'orter som inte gick att avgöra; de kommer aldrig in i släktfilen.',
    empty: 'Det finns inga orter att göra utkast för: alla finns redan i koordinatfilen.',
    download: (files) => `${stem(files[1] ? files[1].name : 'koordinater')}-utkast.txt`,
  },
};
// The buttons name their actions as web.hpp does.
const kButtonAction = { Merge: kPageMerge, ListMissing: kPageListMissing, Check: kPageCheck, Draft: kPageDraft };

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
  if (action === kPageMerge && draft !== null) request.finish = choices();
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
  const failed = reply.status === kPageFailed;
  const action = kActions[request.action];
  // Read before anything changes, so that the page shows the result in one
  // step: the buttons are never free while it is still on its way.
  const text = !failed && action.title ? await reply.output.text() : '';
  picture.misplaced = reply.misplaced || [];
  if (!failed && request.action === kPageDraft) offerChoices(reply.undecided);
  if (!failed && reply.coordinates) offerCoordinates(reply.coordinates, request.files[1]);
  setBusy(request.survey === true && !failed);
  $('arbetar').textContent = 'Ritar orterna …';
  const coordinateSize = reply.coordinates ? reply.coordinates.size : request.files[1] ? request.files[1].size : 0;
  if (!failed && request.action === kPageMerge && coordinateSize === 0) {
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
  } else if (reply.status === kPageFoundErrors) {
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

function drawPicture(points, misplaced) {
  picture.shown = drawMap($('ritning'), points, misplaced, picture.view);
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

function handle(reply) {
  if (reply.validated !== undefined) return showValidated(reply);
  if (reply.progress !== undefined) {
    $('framsteg').value = reply.progress;
    return undefined;
  }
  return reply.done ? finish(reply) : showPoints(reply);
}

// The worker's replies are shown one after another: the points of a
// picture may arrive while a result is still being read, and must find it
// shown.
let replies = Promise.resolve();
worker.onmessage = (event) => {
  replies = replies.then(() => handle(event.data)).catch((error) => {
    // A fault of the page itself: said, and the next reply still shown.
    setBusy(false);
    addMessage(`fel i sidan: ${error}`);
  });
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

for (const button of actionButtons) button.addEventListener('click', () => start(kButtonAction[button.dataset.action]));
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
