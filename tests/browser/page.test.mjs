// The page in a real browser, driven as a user would drive it, against the
// program itself: what the page gives must be what the program gives.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { closeSync, openSync, readFileSync, rmSync, writeFileSync, writeSync } from 'node:fs';
import { join } from 'node:path';
import { describe, test } from 'node:test';

import { examples, openPage, run } from './driver.mjs';

const tree = join(examples, 'slakt.ged');
const coordinates = join(examples, 'koordinater.txt');

const opened = openPage('platsmarkeraren-sida-');

async function merged(genealogy, coordinateFile) {
  await opened.driver.choose(genealogy, coordinateFile);
  const download = await opened.driver.mergeAndDownload();
  const shown = await opened.driver.settled();
  return { ...download, bytes: readFileSync(download.path), shown };
}

describe('the merge downloads what the program writes', () => {
  test('the examples, named after the tree, with a picture of the places', async () => {
    const got = await merged(tree, coordinates);
    assert.equal(got.name, 'slakt-med-koordinater.ged');
    assert.deepEqual(got.bytes, readFileSync(join(examples, 'slakt-med-koordinater.ged')));
    assert.equal(got.shown.picture, '5 orter har koordinater; 2 orter saknar koordinater och syns inte här.');
    const painted = await opened.driver.page.evaluate(() => {
      const canvas = document.getElementById('ritning');
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let blue = 0;
      for (let i = 0; i < pixels.length; i += 4) if (pixels[i + 2] > 100 && pixels[i] < 100) blue += 1;
      return blue;
    });
    assert.ok(painted > 5 * 20, `only ${painted} pixels of points`);
  });

  test('a tree with CR LF line ends, an empty tree and an empty coordinate file', async () => {
    const crlf = join(opened.work, 'crlf.ged');
    writeFileSync(crlf, readFileSync(tree, 'latin1').replaceAll('\n', '\r\n'), 'latin1');
    assert.deepEqual((await merged(crlf, coordinates)).bytes, run('-r', crlf, coordinates).output);

    const empty = join(opened.work, 'tom.txt');
    writeFileSync(empty, '');
    assert.equal((await merged(empty, coordinates)).bytes.length, 0);

    const unchanged = await merged(tree, empty);
    assert.deepEqual(unchanged.bytes, readFileSync(tree));
    assert.ok(unchanged.shown.messages.includes('Koordinatfilen är tom, så inga koordinater har lagts till.'));
  });

  test('a merged tree merged again: a warning, or with the box for -b, nothing changed', async () => {
    const mergedTree = join(examples, 'slakt-med-koordinater.ged');
    const again = await merged(mergedTree, coordinates);
    assert.deepEqual(again.bytes, run('-r', mergedTree, coordinates).output);
    assert.equal(again.shown.messages.length, 2);
    assert.match(again.shown.messages[0], /^varning: infogade block kan ha skadat trädet: \d+ ger en ort en andra MAP\. Se var med knappen/);
    await opened.driver.page.click('#behall');
    const kept = await merged(mergedTree, coordinates);
    await opened.driver.page.click('#behall');
    assert.deepEqual(kept.bytes, readFileSync(mergedTree));
    assert.equal(kept.shown.messages.length, 1);  // only that it is done
  });

  test('a GEDZIP archive gives back an archive whose other entries are as they were', async () => {
    const archive = join(opened.work, 'träd.gdz');
    const made = spawnSync('python3', ['-c', `
import sys, zipfile
with zipfile.ZipFile(sys.argv[2], 'w') as archive:
    photo = zipfile.ZipInfo('media/foto.jpg', date_time=(2020, 5, 17, 12, 30, 0))
    photo.external_attr = 0o640 << 16
    archive.writestr(photo, bytes(range(256)) * 4000, compress_type=zipfile.ZIP_STORED)
    archive.writestr('gedcom.ged', b'\\xef\\xbb\\xbf' + open(sys.argv[1], 'rb').read(), compress_type=zipfile.ZIP_DEFLATED)
    archive.writestr('../utanför.txt', b'bara ett namn', compress_type=zipfile.ZIP_DEFLATED)`, tree, archive]);
    assert.equal(made.status, 0, made.stderr.toString());
    const got = await merged(archive, coordinates);
    assert.equal(got.name, 'träd-med-koordinater.gdz');
    const program = join(opened.work, 'program.gdz');
    assert.equal(run(archive, coordinates, program).status, 0);
    // The same entries, names, times, attributes and contents as the program's archive.
    const compared = spawnSync('python3', ['-c', `
import sys, zipfile
a, b = zipfile.ZipFile(sys.argv[1]), zipfile.ZipFile(sys.argv[2])
assert b.testzip() is None
assert [(i.filename, i.date_time, i.external_attr, a.read(i)) for i in a.infolist()] == \\
       [(i.filename, i.date_time, i.external_attr, b.read(i)) for i in b.infolist()]`, program, got.path]);
    assert.equal(compared.status, 0, compared.stderr.toString());
    const shown = async (action, ...files) => {
      await opened.driver.choose(...files);
      await opened.driver.press(action);
      return opened.driver.settled();
    };
    assert.equal((await shown('check', archive, coordinates)).result, run('-k', archive, coordinates).output.toString());
    const damaged = join(opened.work, 'skadad.gdz');
    const bytes = readFileSync(archive);
    bytes[bytes.indexOf('gedcom.ged', 1024000) + 10 + 200] ^= 0x55;
    writeFileSync(damaged, bytes);
    const refusal = 'gedcom.ged i arkivet är skadat: kontrollsumman eller storleken stämmer inte';
    assert.ok(run(damaged, coordinates, join(opened.work, 'ut.gdz')).error.endsWith(`${refusal}\n`));
    assert.deepEqual((await shown('merge', damaged, coordinates)).messages, [`infil "skadad.gdz": ${refusal}`]);
  });

  test('a tree of about 100 MB', async () => {
    const large = join(opened.work, 'stor.ged');
    const text = readFileSync(tree, 'utf8');
    const records = text.slice(text.indexOf('0 @'), text.indexOf('0 TRLR'));
    const file = openSync(large, 'w');
    writeSync(file, text.slice(0, text.indexOf('0 @')));
    const batch = records.repeat(1000);
    for (let written = 0; written < 100e6; written += batch.length) writeSync(file, batch);
    writeSync(file, '0 TRLR\n');
    closeSync(file);
    const got = await merged(large, coordinates);
    assert.ok(got.bytes.equals(run('-r', large, coordinates).output), 'the large tree merged differently');
    assert.equal(got.shown.picture, '5 orter har koordinater; 2 orter saknar koordinater och syns inte här.');
  });
});

describe('the other buttons show what the program writes', () => {
  async function shown(action, ...files) {
    await opened.driver.choose(...files);
    await opened.driver.press(action);
    return opened.driver.settled();
  }

  test('missing places, the check and the draft', async () => {
    const gazetteer = join(examples, 'ortregister.txt');
    assert.equal((await shown('missing', tree, coordinates)).result, run('-l', tree, coordinates).output.toString());
    assert.equal((await shown('check', tree, coordinates)).result, run('-k', tree, coordinates).output.toString());
    assert.equal((await shown('draft', tree, coordinates, gazetteer)).result,
                 run('-g', tree, coordinates, gazetteer).output.toString());
  });

  test('the check against a gazetteer names a misplaced block and draws it', async () => {
    const gazetteer = join(examples, 'ortregister.txt');
    const south = join(opened.work, 'soder.txt');
    writeFileSync(south, readFileSync(coordinates, 'utf8').replace('N60.5667', 'S60.5667'));
    const got = await shown('check', tree, south, gazetteer);
    const program = run('-k', tree, south, gazetteer).output.toString();
    assert.equal(got.result, program.replaceAll(south, 'soder.txt'));
    assert.match(got.result, /med N i stället för S ligger blocket på orten/);
    assert.match(got.picture, /1 block ligger långt från sin ort enligt ortregistret/);
    const red = await opened.driver.page.evaluate(() => {
      const canvas = document.getElementById('ritning');
      const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let count = 0;
      for (let i = 0; i < pixels.length; i += 4) if (pixels[i] > 150 && pixels[i + 1] < 80 && pixels[i + 2] < 80) count += 1;
      return count;
    });
    assert.ok(red > 50, `only ${red} red pixels`);
  });

  test('a gazetteer as downloaded, zipped or gzipped, drafts and checks as the program does', async () => {
    const gazetteer = join(examples, 'ortregister.txt');
    const zipped = join(opened.work, 'SE.zip');
    const gzipped = join(opened.work, 'SE.txt.gz');
    const made = spawnSync('python3', ['-c', `
import gzip, sys, zipfile
text = open(sys.argv[1], 'rb').read()
with zipfile.ZipFile(sys.argv[2], 'w', zipfile.ZIP_DEFLATED) as archive:
    archive.writestr('readme.txt', 'GeoNames\\n')
    archive.writestr('SE.txt', text)
open(sys.argv[3], 'wb').write(gzip.compress(text))`, gazetteer, zipped, gzipped]);
    assert.equal(made.status, 0, made.stderr.toString());
    const program = run('-g', tree, coordinates, gazetteer).output.toString();
    for (const file of [zipped, gzipped]) {
      assert.equal((await shown('draft', tree, coordinates, file)).result, program);
    }
    const broken = join(opened.work, 'trasig.zip');
    writeFileSync(broken, readFileSync(zipped).subarray(0, 200));
    assert.deepEqual((await shown('draft', tree, coordinates, broken)).messages,
                     ['ortregister "trasig.zip" tar slut mitt i en packad fil: den är avbruten eller trasig; hämta den igen']);
  });

  test('a coordinate file saved as UTF-16 is refused with the program\'s message', async () => {
    const utf16 = join(opened.work, 'utf16.txt');
    writeFileSync(utf16, Buffer.from('\ufeff2 PLAC Uppsala\n', 'utf16le'));
    const refused = run(tree, utf16, join(opened.work, 'ut.ged'));
    assert.equal(refused.status, 1);
    const got = await shown('merge', tree, utf16);
    assert.deepEqual(got.messages, [refused.error.replace('Platsmarkeraren: ', '').replace(utf16, 'utf16.txt').trim()]);
    assert.equal(got.result, null);
  });
});

describe('a file that goes away after it was chosen', () => {
  test('is reported, and the page takes the next request', async () => {
    const vanishing = join(opened.work, 'borta.ged');
    writeFileSync(vanishing, readFileSync(tree));
    await opened.driver.choose(vanishing, coordinates);
    rmSync(vanishing);
    await opened.driver.press('merge');
    const got = await opened.driver.settled();
    assert.equal(got.messages.length, 1);
    assert.match(got.messages[0], /^kan inte läsa infil "borta\.ged": /);
    assert.equal((await merged(tree, coordinates)).name, 'slakt-med-koordinater.ged');
  });
});
