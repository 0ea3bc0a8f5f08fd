// What the page does for its user besides converting: which files it
// converts and why not the others, awkward inputs, many files, the table of
// findings, the keyboard alone, accessibility, what it says when it cannot
// work, and that nothing leaves the computer.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import AxeBuilder from '@axe-core/playwright';
import {
  arrange, assertSameAsNative, collectResult, convert, downloadOf, env, fileUrl, findingRows, findingRowsOf,
  launchBrowser, openPage, runNative, servePage, tabTo, tempDir, writeFiles,
} from './support.mjs';

const example = (name) => path.join(env.examples, name);
const north = fs.readFileSync(example('north.anf'));

// An ANF file of three findings: text after a number, no number, an "ANF"
// line of two words.
function brokenAnf(i) {
  const lines = north.toString('latin1').split('\n');
  lines[1] = `${i}ft`;
  lines[2] = lines[2].replace('4400', 'abc');
  return `${lines.join('\n')}ANF X${i}\n1 2 3\n`;
}

describe('the page', () => {
  let browser;
  let context;
  let page;
  let dir;
  before(async () => {
    browser = await launchBrowser();
    context = await browser.newContext({acceptDownloads: true});
    page = await openPage(context, fileUrl());
    dir = tempDir();
  });
  after(async () => browser?.close());

  test('says the files stay here, and allows no connection', async () => {
    await assert.doesNotReject(page.getByText('Your files stay on this computer.').waitFor());
    const policy = await page.evaluate(() =>
      document.querySelector('meta[http-equiv="Content-Security-Policy"]')?.content || '');
    assert.match(policy, /default-src 'none'/);
    assert.match(policy, /connect-src 'none'/);
    assert.doesNotMatch(policy, /\*|https?:/);
  });

  test('chooses what to convert and says why the rest is not', async (t) => {
    const files = writeFiles(tempDir(), {
      'b.anf': north, 'a.anf': north, 'airports.txt': fs.readFileSync(example('airports.airbus.txt')),
      'second.txt': fs.readFileSync(example('minimal.airbus.txt')), 'notes.txt': 'just some words\n',
    });
    const kRows = [
      {about: 'ANF files go to trevik, in name order', pick: ['b.anf', 'a.anf', 'airports.txt', 'notes.txt'],
        program: /^trevik/, status: {'a.anf': /converted, 1st/, 'b.anf': /converted, 2nd/,
          'airports.txt': /not an ANF file/, 'notes.txt': /neither an Airbus nor an ANF file/}},
      {about: 'without ANF, converter takes the first Airbus file by name', pick: ['second.txt', 'airports.txt'],
        program: /^converter/, status: {'airports.txt': /^converted$/, 'second.txt': /only one Airbus file is converted/}},
    ];
    for (const row of kRows) {
      await t.test(row.about, async () => {
        await page.getByLabel('Input files').setInputFiles(row.pick.map((n) => files.find((f) => f.endsWith(`/${n}`))));
        assert.ok(await page.getByRole('radio', {name: row.program}).isChecked());
        const table = page.getByRole('table', {name: /^Files/});
        for (const [name, status] of Object.entries(row.status)) {
          const cells = await table.getByRole('row').filter({hasText: name}).getByRole('cell').allInnerTexts();
          assert.match(cells[4], status, name);
        }
      });
    }
    await t.test('rows move with the mouse', async () => {
      await page.getByLabel('Input files').setInputFiles(['a.anf', 'b.anf'].map((n) => files.find((f) => f.endsWith(`/${n}`))));
      const table = page.getByRole('table', {name: /^Files/});
      await table.getByRole('row').filter({hasText: 'b.anf'}).dragTo(table.getByRole('row').filter({hasText: 'a.anf'}));
      const cells = await table.getByRole('row').filter({hasText: 'a.anf'}).getByRole('cell').allInnerTexts();
      assert.match(cells[4], /converted, 2nd/);
    });
    await t.test('the user may pick converter over the Airbus file', async () => {
      const paths = ['a.anf', 'airports.txt'].map((n) => files.find((f) => f.endsWith(`/${n}`)));
      await page.getByLabel('Input files').setInputFiles(paths);
      await page.getByRole('radio', {name: /^converter/}).check();
      await page.getByRole('radio', {name: 'Convert airports.txt'}).check();
      const shown = await convert(page);
      assert.ok(shown.apb.equals(runNative('converter', [], [paths[1]]).apb));
    });
  });

  test('awkward inputs read as the programs read them', async (t) => {
    const crlf = Buffer.from(north.toString('latin1').replace(/\n/g, '\r\n'), 'latin1');
    const files = writeFiles(tempDir(), {
      'empty.anf': '', 'empty.txt': '', 'letter.txt': 'Dear all,\nno airport here.\n',
      'nul.anf': Buffer.concat([north.subarray(0, 40), Buffer.alloc(300), north.subarray(40)]),
      'crlf.anf': crlf, 'crlf.txt': fs.readFileSync(example('airports.airbus.txt')).toString('latin1').replace(/\r?\n/g, '\r\n'),
    });
    const kRuns = [
      {about: 'an empty file, trevik', program: 'trevik', paths: [files[0]], says: /Not a valid file\./},
      {about: 'an empty file, converter', program: 'converter', paths: [files[1]], says: /Not a valid file\./},
      {about: 'a letter, not an airport file', program: 'converter', paths: [files[2]], says: /Not a valid file\./},
      {about: 'NUL bytes inside', program: 'trevik', paths: [files[3]], says: /Read \d/},
      {about: 'CR LF line ends, ANF', program: 'trevik', paths: [files[4]], says: /APB is ready/},
      {about: 'CR LF line ends, Airbus', program: 'converter', paths: [files[5]], says: /APB is ready/},
      {about: 'mixed Airbus and ANF files', program: 'trevik', paths: [files[4], example('airports.airbus.txt'), example('south.anf')]},
    ];
    for (const run of kRuns) {
      await t.test(run.about, async () => {
        const {shown} = await assertSameAsNative(page, run);
        if (run.says) assert.match(shown.outcome, run.says);
      });
    }
  });

  test('A, then B, then A again, each as the program', async () => {
    const a = {program: 'trevik', paths: [example('north.anf'), example('south.anf')]};
    const b = {program: 'converter', paths: [example('airports.airbus.txt')]};
    for (const run of [a, b, a]) await assertSameAsNative(page, run);
  });

  test('sorts and filters the findings', async () => {
    const files = writeFiles(tempDir(), {'x1.anf': brokenAnf(1), 'x2.anf': brokenAnf(2)});
    await arrange(page, {program: 'trevik', paths: files});
    const shown = await convert(page);
    const table = page.getByRole('table', {name: 'Findings'});
    const kindHeader = table.getByRole('columnheader', {name: 'Kind'});
    await kindHeader.getByRole('button').click();
    assert.equal(await kindHeader.getAttribute('aria-sort'), 'ascending');
    const kinds = (await findingRows(page)).map((r) => r[2]);
    assert.deepEqual(kinds, [...kinds].sort());
    await kindHeader.getByRole('button').click();
    assert.equal(await kindHeader.getAttribute('aria-sort'), 'descending');
    await kindHeader.getByRole('button').click();
    assert.equal(await kindHeader.getAttribute('aria-sort'), null);
    assert.deepEqual(await findingRows(page), shown.rows);
    await page.getByRole('checkbox', {name: /^number: 2$/}).uncheck();
    assert.deepEqual(await findingRows(page), shown.rows.filter((r) => r[2] !== 'number'));
    await page.getByRole('checkbox', {name: /^number: 2$/}).check();
    await page.getByRole('button', {name: 'Show lines around x2.anf line 3', exact: true}).click();
    const context = page.getByRole('region', {name: 'Lines around the finding'});
    await context.getByText('09L 4200 abc').waitFor();
    assert.match(await context.innerText(), /1 {2}ANF LFXA ALPHA[\s\S]*6 {2}441 4650\.5 -35\.5/);
  });

  test('about 500 broken ANF files: every finding listed, the page answers at once', async () => {
    const folder = tempDir();
    const files = [];
    for (let i = 0; i < 500; i++) files.push(...writeFiles(folder, {[`broken-${String(i).padStart(3, '0')}.anf`]: brokenAnf(i)}));
    const native = runNative('trevik', [], files);
    await page.getByLabel('Input files').setInputFiles(files);
    const shown = await convert(page);
    assert.ok(shown.apb.equals(native.apb));
    assert.deepEqual(shown.rows, findingRowsOf(native.diagnostics));
    assert.equal(shown.rows.length, 1500);
    const started = Date.now();
    await page.getByRole('table', {name: 'Findings'}).getByRole('button', {name: 'Message'}).click();
    await page.getByRole('columnheader', {name: 'Message'}).and(page.locator('[aria-sort]')).waitFor();
    assert.ok(Date.now() - started < 1000, `a sort took ${Date.now() - started} ms`);
  });

  test('a file changed after it was picked cannot be read, and says so', async () => {
    const [file] = writeFiles(tempDir(), {'changing.anf': north});
    await page.getByLabel('Input files').setInputFiles([file]);
    await page.getByRole('button', {name: 'Convert', exact: true}).waitFor();
    fs.writeFileSync(file, Buffer.concat([north, north]));
    const shown = await convert(page);
    assert.match(shown.outcome, /Cannot read "changing\.anf"/);
    assert.equal(shown.apb, null);
  });

  test('inputs of 4 GiB or more are refused', async () => {
    const file = path.join(tempDir(), 'huge.anf');
    fs.writeFileSync(file, 'ANF LFXA ALPHA\n');
    fs.truncateSync(file, 2 ** 32);  // sparse: no disk taken
    await page.getByLabel('Input files').setInputFiles([file]);
    await page.getByRole('checkbox', {name: 'Convert huge.anf'}).check();
    await page.getByText(/less than 4 GiB at once/).waitFor();
    assert.ok(await page.getByRole('button', {name: 'Convert', exact: true}).isDisabled());
  });

  test('the keyboard alone: pick, order, convert, download, read a finding', async () => {
    const files = writeFiles(tempDir(), {'k1.anf': brokenAnf(1), 'k2.anf': brokenAnf(2)});
    await page.reload();
    await page.getByText('Engine ready').waitFor();
    await tabTo(page, page.getByLabel('Input files'));
    const [chooser] = await Promise.all([page.waitForEvent('filechooser'), page.keyboard.press('Space')]);
    await chooser.setFiles(files);
    await tabTo(page, page.getByRole('button', {name: 'Move down k1.anf'}));
    await page.keyboard.press('Enter');
    await tabTo(page, page.getByRole('button', {name: 'Convert', exact: true}));
    await page.keyboard.press('Enter');
    const link = page.getByRole('link', {name: 'Download APB'});
    await link.waitFor();
    await tabTo(page, link);
    const apb = await downloadOf(page, () => page.keyboard.press('Enter'));
    assert.ok(apb.bytes.equals(runNative('trevik', [], [files[1], files[0]]).apb));
    await tabTo(page, page.getByRole('button', {name: 'Show lines around k2.anf line 2', exact: true}));
    await page.keyboard.press('Enter');
    await page.keyboard.press('ArrowDown');
    const context = page.getByRole('region', {name: 'Lines around the finding'});
    await context.getByText('k2.anf, line 3').waitFor();
  });

  test('no serious accessibility fault, and a screenshot', async () => {
    await arrange(page, {program: 'trevik', paths: writeFiles(tempDir(), {'s1.anf': brokenAnf(1), 's2.anf': north})});
    await convert(page);
    await page.getByRole('button', {name: 'Show lines around s1.anf line 2', exact: true}).click();
    const audit = await new AxeBuilder({page}).analyze();
    const serious = audit.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
    assert.deepEqual(serious.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(' ')}`), []);
    const shot = env.screenshot || path.join(path.dirname(env.webDir), 'page.png');
    await page.screenshot({path: shot, fullPage: true});
  });

  test('says when it cannot work', async (t) => {
    await t.test('no WebAssembly', async () => {
      const bare = await browser.newContext();
      await bare.addInitScript(() => { delete globalThis.WebAssembly; });
      const p = await bare.newPage();
      await p.goto(fileUrl());
      await p.getByText('This browser cannot run WebAssembly').waitFor();
      await bare.close();
    });
    await t.test('no JavaScript', async () => {
      const bare = await browser.newContext({javaScriptEnabled: false});
      const p = await bare.newPage();
      await p.goto(fileUrl());
      // text locators skip <noscript>, so read what the page shows
      assert.match(await p.locator('body').innerText(), /This page needs JavaScript/);
      assert.doesNotMatch(await p.locator('body').innerText(), /Loading the engine/);
      await bare.close();
    });
  });

  test('no request once loaded, from the folder or a server', async () => {
    const server = await servePage();
    try {
      for (const url of [fileUrl(), server.url]) {
        const p = await openPage(context, url);
        const loaded = server.requests.length;
        const requests = [];
        p.on('request', (request) => requests.push(request.url()));
        await arrange(p, {program: 'trevik', paths: [example('north.anf'), example('south.anf')]});
        const shown = await convert(p);
        assert.ok(shown.apb);
        await collectResult(p);
        assert.deepEqual(requests.filter((u) => !u.startsWith('blob:')), []);
        assert.equal(server.requests.length, loaded);
        await p.close();
      }
    } finally {
      await server.close();
    }
  });
});
