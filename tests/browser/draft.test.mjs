// The page finishes the job without a text editor: a draft, a choice for
// each undecided place (by its radio button, by its point on the picture,
// or by coordinates typed by hand), one merge, and both files downloaded.
// What it gives is checked against the program.
import assert from 'node:assert/strict';
import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { test } from 'node:test';

import { examples, openPage, run } from './driver.mjs';

const coordinates = join(examples, 'koordinater.txt');
const gazetteer = join(examples, 'ortregister.txt');

const opened = openPage('platsmarkeraren-val-');

test('a draft finished with choices gives a tree and a coordinate file the program agrees with', async () => {
  const tree = join(opened.work, 'val.ged');
  writeFileSync(tree, '0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 BIRT\n2 PLAC Rasbo sn\n1 DEAT\n2 PLAC Ås\n'
    + '1 BURI\n2 PLAC Berg, Sverige\n1 EVEN\n2 PLAC Qwertyby\n0 TRLR\n');
  await opened.driver.choose(tree, coordinates, gazetteer);
  await opened.driver.press('draft');
  await opened.driver.settled();
  const { page } = opened.driver;
  assert.deepEqual(await page.$$eval('#valen legend', (legends) => legends.map((legend) => legend.textContent)),
                   ['Ås', 'Berg, Sverige', 'Qwertyby']);

  // Ås by its radio button; Berg by its point on the picture.
  await page.click('input[name="ort-0"][value="1"]');
  await page.focus('input[name="ort-1"][value=""]');
  const point = await page.evaluate(() => {
    const shown = picture.shown.find((each) => each.point.choice && each.point.choice.which === 2);
    const canvas = document.getElementById('ritning');
    canvas.scrollIntoView();
    const bounds = canvas.getBoundingClientRect();
    const ratio = canvas.width / bounds.width;
    return { x: bounds.left + shown.x / ratio, y: bounds.top + shown.y / ratio };
  });
  await page.mouse.click(point.x, point.y);
  assert.equal(await page.$eval('input[name="ort-1"]:checked', (radio) => radio.value), '2');

  // Qwertyby by hand: refused first, then read.
  await page.type('#koord-2', '95.1, 17.6');
  await page.waitForFunction(() => document.getElementById('koordfel-2').textContent.includes('0–90'));
  // Each form shows the value it gives in GEDCOM's form; the last is kept.
  for (const [typed, shown] of [['59, 17', 'N59.0 E17.0'], ['N59 E17', 'N59.0 E17.0'], ['59°N 17°E', 'N59.0 E17.0'],
    ['-33.8688, 151.2093', 'S33.8688 E151.2093'], ['59°51′31″N 17°38′20″E', 'N59.85861 E17.63889']]) {
    await page.$eval('#koord-2', (field) => { field.value = ''; });
    await page.type('#koord-2', typed);
    await page.waitForFunction((expected) => document.getElementById('koordfel-2').textContent === expected, {}, shown);
  }

  const merged = readFileSync((await opened.driver.mergeAndDownload()).path);
  await opened.driver.settled();
  const kept = await opened.driver.download(() => page.click('#laddanerkoordinater'));
  assert.equal(kept.name, 'koordinater.txt');
  const newCoordinates = readFileSync(kept.path);
  const old = readFileSync(coordinates);
  assert.ok(newCoordinates.subarray(0, old.length).equals(old), 'the old coordinate file does not come first');
  const added = newCoordinates.subarray(old.length).toString();
  // The drafted block is the program's; each choice is a block, no note is left.
  const drafted = run('-g', tree, coordinates, gazetteer).output.toString();
  assert.ok(added.startsWith(drafted.slice(0, drafted.indexOf('#'))), added);
  // Both from the built-in parish register, which names its namesakes by county.
  assert.match(added, /2 PLAC Ås\n3 NOTE Riksarkivet 84012000: Ås församling \(H-län\), Kalmar län\n3 MAP\n4 LATI N56.23815\n/);
  assert.match(added, /2 PLAC Berg, Sverige\n3 NOTE Riksarkivet 196102000: [^\n]*\n3 MAP\n4 LATI N59.62384\n/);
  // In the coordinate file's shape, the note in the tree's own letters.
  assert.match(added, /2 PLAC Qwertyby\n3 NOTE Koordinater skrivna för hand\n3 MAP\n4 LATI N59.85861\n4 LONG E17.63889\n/);
  assert.doesNotMatch(added, /^#/m);
  const checkedFile = join(opened.work, 'nya-koordinater.txt');
  writeFileSync(checkedFile, newCoordinates);
  const check = run('-k', tree, checkedFile);
  assert.equal(check.status, 0, check.output.toString());
  assert.ok(merged.equals(run('-r', tree, checkedFile).output), 'the page merged otherwise');
});

test('the page has no serious accessibility finding, with the choices open', async () => {
  const axe = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
  await opened.driver.page.evaluate(axe);
  const found = await opened.driver.page.evaluate(async () => {
    const results = await window.axe.run(document);
    return results.violations.filter((violation) => ['serious', 'critical'].includes(violation.impact))
      .map((violation) => `${violation.id}: ${violation.nodes.map((node) => node.target.join(' ')).join(', ')}`);
  });
  assert.deepEqual(found, []);
});
