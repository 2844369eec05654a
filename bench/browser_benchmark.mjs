// Times the page's merge in the system's Chromium, from the press of the
// button to the finished download, and samples the memory of the tab (its
// renderer, where the page's worker runs) meanwhile. As a floor, times the
// same browser copying a file of the output's size the way the page hands
// on its output: read in slices, made into one Blob, downloaded.
//
//     node bench/browser_benchmark.mjs <tree> <coordinate file> <merged tree> <rounds>
//
// Prints one line of JSON: median seconds of the merge and of the copy, and
// the tab's peak resident MiB during the merges.
import { readFileSync, readdirSync, statSync } from 'node:fs';

import { PageDriver } from '../tests/browser/driver.mjs';

const [tree, coordinates, merged, rounds = '5'] = process.argv.slice(2);

// Resident KiB of each of the browser's renderer processes, by process id,
// read from /proc. The browser keeps renderers of its own beside the tab's.
function rendererKib() {
  const found = new Map();
  for (const entry of readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      if (!readFileSync(`/proc/${entry}/cmdline`, 'latin1').includes('--type=renderer')) continue;
      found.set(entry, Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${entry}/status`, 'latin1'))?.[1] ?? 0));
    } catch {
      // The process ended while it was read.
    }
  }
  return found;
}

// A copy of the file chosen as infil, in a worker, as the page's worker
// reads and hands on: slices of 8 MiB through FileReaderSync, a Blob each.
function copyInBrowser() {
  const code = `onmessage = (event) => {
    const file = event.data;
    const reader = new FileReaderSync();
    const parts = [];
    for (let at = 0; at < file.size; at += 8 << 20) {
      parts.push(new Blob([reader.readAsArrayBuffer(file.slice(at, at + (8 << 20)))]));
    }
    postMessage(new Blob(parts));
  };`;
  const worker = new Worker(URL.createObjectURL(new Blob([code], { type: 'text/javascript' })));
  worker.onmessage = (event) => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(event.data);
    link.download = 'kopia.ged';
    link.click();
  };
  worker.postMessage(document.getElementById('infil').files[0]);
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function timed(start) {
  const started = performance.now();
  const download = await start();
  const seconds = (performance.now() - started) / 1000;
  if (statSync(download.path).size === 0) throw new Error('the download is empty');
  return seconds;
}

const driver = await PageDriver.open();
const copies = [];
for (let round = 0; round < Number(rounds); round += 1) {
  await driver.choose(merged);
  copies.push(await timed(() => driver.download(() => driver.page.evaluate(copyInBrowser))));
}

await driver.reload();
await driver.choose(tree, coordinates);
const idle = rendererKib();
const peaks = new Map(idle);
const sampler = setInterval(() => {
  for (const [process, kib] of rendererKib()) peaks.set(process, Math.max(peaks.get(process) ?? 0, kib));
}, 20);
const merges = [];
for (let round = 0; round < Number(rounds); round += 1) {
  merges.push(await timed(() => driver.mergeAndDownload()));
  await driver.settled();
}
clearInterval(sampler);
await driver.close();
// The tab is the renderer that grew the most.
const [, tabPeak] = [...peaks].reduce((most, [process, kib]) => {
  const grown = kib - (idle.get(process) ?? 0);
  return grown > most[0] ? [grown, kib] : most;
}, [-1, 0]);
console.log(JSON.stringify({ merge: median(merges), copy: median(copies), tabPeakMiB: tabPeak / 1024 }));
