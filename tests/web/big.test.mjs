// A large input: 200 MB of ANF, made once per run. The page gives the
// program's "APB" in at most 64 MiB of engine memory, shows its progress,
// and a conversion cancelled half way leaves the page ready for the next.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {arrange, convert, env, fileUrl, launchBrowser, openPage, runNative, tempDir} from './support.mjs';

const kSize = 200 * 1024 * 1024;

// 200 MB of ANF from the repository's generator, or the sample repeated
// when the generator is not built.
function makeLargeInput(dir) {
  const file = path.join(dir, 'large.anf');
  if (fs.existsSync(env.generate)) {
    const done = spawnSync(env.generate, ['--clean', 'anf', String(kSize), file], {stdio: 'inherit'});
    if (done.status === 0) return file;
  }
  const north = fs.readFileSync(path.join(env.examples, 'north.anf'));
  const block = Buffer.concat(Array(Math.ceil((1 << 20) / north.length)).fill(north));
  const out = fs.openSync(file, 'w');
  for (let written = 0; written < kSize; written += block.length) fs.writeSync(out, block);
  fs.closeSync(out);
  return file;
}

describe('a 200 MB input', () => {
  let browser;
  let page;
  let large;
  before(async () => {
    large = makeLargeInput(tempDir());
    browser = await launchBrowser();
    const context = await browser.newContext({acceptDownloads: true});
    page = await openPage(context, fileUrl());
  });
  after(async () => browser?.close());

  test('cancelled half way, then converted whole: the program\'s bytes in at most 64 MiB', async (t) => {
    await arrange(page, {program: 'trevik', paths: [large]});
    await page.getByRole('button', {name: 'Convert', exact: true}).click();
    const progress = page.getByRole('progressbar', {name: 'Progress'});
    await page.waitForFunction((bar) => bar.value > 0 && bar.value < bar.max, await progress.elementHandle());
    const started = Date.now();
    await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(resolve)));
    assert.ok(Date.now() - started < 500, `the page took ${Date.now() - started} ms to draw a frame while converting`);
    const dialog = new Promise((resolve) => page.once('dialog', (d) => { resolve(d.type()); d.dismiss(); }));
    await page.close({runBeforeUnload: true});
    assert.equal(await dialog, 'beforeunload', 'leaving mid-conversion asks first');
    await page.getByRole('button', {name: 'Cancel'}).click();
    await page.getByRole('status', {name: 'Outcome'}).getByText('Conversion cancelled').waitFor();
    assert.equal(await page.getByRole('link', {name: 'Download APB'}).count(), 0);

    const shown = await convert(page, {timeout: 300000});
    const native = runNative('trevik', [], [large]);
    assert.equal(shown.apbName, 'APB');
    assert.ok(shown.apb && shown.apb.equals(native.apb), 'APB differs from the program\'s');
    assert.equal(shown.report, native.diagnostics);
    t.diagnostic(`engine memory: ${shown.memory} bytes`);
    assert.ok(shown.memory > 0 && shown.memory <= 64 * 1024 * 1024, `engine memory ${shown.memory} bytes`);
    assert.deepEqual(page.errors, []);
  });
});
