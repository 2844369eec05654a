// Drives the page as a user would, in the system's Chromium or Firefox
// (BROWSER=firefox): opens it from disk, chooses files, presses a button
// and waits for what comes back.
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, rmSync, statSync } from 'node:fs';
import { setTimeout as sleep } from 'node:timers/promises';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { after, before } from 'node:test';
import puppeteer from 'puppeteer-core';

export const root = resolve(import.meta.dirname, '../..');
export const pagePath = process.env.PLATSMARKERAREN_PAGE ?? join(root, 'build/web/platsmarkeraren.html');
export const engine = process.env.BROWSER === 'firefox' ? 'firefox' : 'chrome';
const browserPath = engine === 'firefox' ? process.env.FIREFOX ?? '/usr/bin/firefox-esr'
  : process.env.CHROMIUM ?? '/usr/bin/chromium';
export const program = process.env.PLATSMARKERAREN ?? join(root, 'build/default/app/platsmarkeraren');
export const examples = join(root, 'examples');

// The program run on the same files, to hold the page to: its status, the
// bytes it wrote and what it said.
export function run(...args) {
  const ran = spawnSync(program, args, { maxBuffer: 1 << 30 });
  return { status: ran.status, output: ran.stdout, error: ran.stderr.toString() };
}

// The page, opened once before a file's tests and closed after them, with
// a fresh folder (named from `prefix`) for the files they make: `driver`
// and `work` are set once the tests begin.
export function openPage(prefix) {
  const opened = { driver: null, work: null };
  before(async () => {
    opened.driver = await PageDriver.open();
    opened.work = mkdtempSync(join(tmpdir(), prefix));
  });
  after(async () => {
    await opened.driver.close();
    rmSync(opened.work, { recursive: true, force: true });
  });
  return opened;
}

// The fields in the order of the page: infil, koordinatfil, ortregister.
const kFields = ['#infil', '#koordinatfil', '#ortregister'];
const kButtons = { merge: 'Merge', missing: 'ListMissing', check: 'Check', draft: 'Draft' };

// How each engine is started, and told where downloads go: Chromium over
// its own protocol once a page is open, Firefox by its profile's settings
// (WebDriver BiDi, over which puppeteer drives it, has no such command).
function launchOptions(downloads) {
  if (engine === 'firefox') {
    return {
      browser: 'firefox',
      executablePath: browserPath,
      headless: true,
      extraPrefsFirefox: {
        'browser.download.dir': downloads,
        'browser.download.folderList': 2,
        'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
        'browser.download.start_downloads_in_tmp_dir': false,
        'browser.download.alwaysOpenPanel': false,
        // The page is opened from disk, as users open it.
        'security.fileuri.strict_origin_policy': false,
      },
    };
  }
  return { executablePath: browserPath, headless: true, args: ['--no-sandbox', '--allow-file-access-from-files'] };
}

export class PageDriver {
  static async open() {
    const downloads = mkdtempSync(join(tmpdir(), 'platsmarkeraren-hamtat-'));
    const driver = new PageDriver(await puppeteer.launch(launchOptions(downloads)), downloads);
    await driver.reload();
    return driver;
  }

  constructor(browser, downloads) {
    this.browser = browser;
    this.downloads = downloads;
    this.downloadEnded = null;  // told of the next download's end, while one is awaited
  }

  async reload() {
    if (this.page) await this.page.close();
    this.page = await this.browser.newPage();
    if (engine === 'chrome') {
      const session = await this.page.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: this.downloads, eventsEnabled: true });
      session.on('Browser.downloadProgress', (event) => {
        if (event.state !== 'completed' && event.state !== 'canceled') return;
        if (this.downloadEnded) this.downloadEnded(event);
      });
    }
    await this.page.goto(`file://${pagePath}`);
  }

  // Chooses the files, by path, in the page's order; null leaves one empty.
  async choose(...paths) {
    for (const [slot, path] of paths.entries()) {
      if (path === null || path === undefined) continue;
      const field = await this.page.$(kFields[slot]);
      await field.uploadFile(path);
    }
  }

  // Waits for the button to take the files just chosen: a click on it
  // while it is still disabled would start nothing, and the next settled()
  // would report the page as the last request left it.
  async press(action) {
    const button = `[data-action="${kButtons[action]}"]`;
    await this.page.waitForFunction((selector) => !document.querySelector(selector).disabled, { timeout: 0 }, button);
    await this.page.click(button);
  }

  // Presses merge and waits for the download; returns the downloaded file.
  mergeAndDownload() {
    return this.download(() => this.press('merge'));
  }

  // Runs `start` and waits for the download it begins.
  async download(start) {
    for (const name of readdirSync(this.downloads)) rmSync(join(this.downloads, name));
    if (engine === 'firefox') {
      await start();
      return this.downloadedFile();
    }
    const downloaded = new Promise((resolveDownload) => { this.downloadEnded = resolveDownload; });
    await start();
    const event = await downloaded;
    this.downloadEnded = null;
    if (event.state !== 'completed') throw new Error('the download was canceled');
    const [name] = readdirSync(this.downloads);
    return { path: join(this.downloads, name), name };
  }

  // Firefox tells nothing of a download's end: it writes the file beside a
  // .part file of the same name, and removes that once the file is whole.
  async downloadedFile() {
    for (;;) {
      const names = readdirSync(this.downloads);
      const whole = names.filter((name) => !name.endsWith('.part'));
      if (whole.length === 1 && names.length === 1) {
        const path = join(this.downloads, whole[0]);
        const size = statSync(path).size;
        await sleep(100);
        if (readdirSync(this.downloads).length === 1 && statSync(path).size === size) return { path, name: whole[0] };
      }
      await sleep(50);
    }
  }

  // Waits until the page is no longer busy and returns what it shows.
  async settled() {
    await this.page.waitForFunction(() => document.getElementById('arbete').hidden
      && [...document.querySelectorAll('[data-action]')].some((button) => !button.disabled), { timeout: 0 });
    return this.page.evaluate(() => ({
      messages: [...document.querySelectorAll('#meddelanden p')].map((line) => line.textContent),
      result: document.getElementById('resultat').hidden ? null : document.getElementById('resultattext').value,
      picture: document.getElementById('bild').hidden ? null : document.getElementById('bildantal').textContent,
    }));
  }

  async close() {
    await this.browser.close();
    rmSync(this.downloads, { recursive: true, force: true });
  }
}
