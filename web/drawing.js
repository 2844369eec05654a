// The page's map: land, coasts and borders from map_data.js under a plain
// latitude and longitude grid, fitted to the points, so that a point far
// from the rest stands out. It only draws; page.js keeps the view and
// answers the pointer.
'use strict';

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

// Draws the points, and the misplaced blocks with lines to where their
// places lie, on `canvas` as `view` zooms and moves it; returns each mark
// drawn, with the point it stands for, so that a pointer can find it.
function drawMap(canvas, points, misplaced, view) {
  const ratio = window.devicePixelRatio || 1;
  canvas.width = Math.round(canvas.clientWidth * ratio);
  canvas.height = Math.round(canvas.clientWidth * ratio * 0.58);
  const context = canvas.getContext('2d');
  const width = canvas.width;
  const height = canvas.height;
  context.clearRect(0, 0, width, height);
  const shownMarks = [];
  if (points.length === 0) return shownMarks;
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
  const { zoom, panX, panY } = view;
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
    shownMarks.push(shown);
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
    shownMarks.push({
      point: { place: `${block.place} enligt ortregistret`, latitude: block.placeLatitude, longitude: block.placeLongitude },
      x: to.x,
      y: to.y,
    });
  }
  return shownMarks;
}
