import { PageDriver } from './driver.mjs';
import { readFileSync, readdirSync } from 'node:fs';
function rss() { let t = 0, list = []; for (const e of readdirSync('/proc')) { if (!/^\d+$/.test(e)) continue; try { const c = readFileSync(`/proc/${e}/cmdline`, 'latin1'); if (!c.includes('chromium')) continue; const kib = Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${e}/status`,'latin1'))?.[1] ?? 0); const type = (/--type=([a-z-]+)/.exec(c)||[,'browser'])[1]; list.push(type+':'+Math.round(kib/1024)); } catch {} } return list.join(' '); }
const d = await PageDriver.open();
await d.choose(process.argv[2], '/tmp/pmb/coords.txt');
await new Promise(r => setTimeout(r, 1000));
console.log('idle', rss());
let peakLine = ''; let peak = 0;
const iv = setInterval(() => { const l = rss(); const r = Number(/renderer:(\d+)/.exec(l)?.[1] ?? 0); if (r > peak) { peak = r; peakLine = l; } }, 20);
await d.mergeAndDownload();
await d.settled();
clearInterval(iv);
console.log('peak', peakLine);
console.log('after', rss());
await d.close();
