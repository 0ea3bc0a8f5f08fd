// The page converts as the native programs do: the same "APB", byte for
// byte and named APB, the same JSON lines in its report, the same findings
// in its table, in order, opened from its folder and from a local server.
import assert from 'node:assert/strict';
import path from 'node:path';
import {after, before, describe, test} from 'node:test';
import {
  assertSameAsNative, env, expressibleCases, fileUrl, launchBrowser, openPage, servePage,
} from './support.mjs';

const example = (name) => path.join(env.examples, name);

const kSamples = [
  {about: 'two ANF files', program: 'trevik', paths: [example('north.anf'), example('south.anf')]},
  {about: 'two ANF files, the other order', program: 'trevik', paths: [example('south.anf'), example('north.anf')]},
  {about: 'one ANF file', program: 'trevik', paths: [example('minimal.anf')]},
  {about: 'an Airbus file', program: 'converter', paths: [example('airports.airbus.txt')]},
  {about: 'a small Airbus file', program: 'converter', paths: [example('minimal.airbus.txt')]},
  {about: 'read only', program: 'trevik', flags: ['--check'], paths: [example('north.anf')]},
  {about: 'no APB when anything was found', program: 'trevik', flags: ['--strict'], paths: [example('north.anf')]},
  {about: 'read only, Airbus', program: 'converter', flags: ['--check'], paths: [example('airports.airbus.txt')]},
  {about: 'strict, Airbus', program: 'converter', flags: ['--strict'], paths: [example('airports.airbus.txt')]},
];

describe('the page converts as the programs do', () => {
  let browser;
  let server;
  before(async () => {
    browser = await launchBrowser();
    server = await servePage();
  });
  after(async () => {
    await browser?.close();
    await server?.close();
  });

  for (const origin of ['file', 'http']) {
    test(`the samples, opened from ${origin === 'file' ? 'the folder' : 'a local server'}`, async (t) => {
      const context = await browser.newContext({acceptDownloads: true});
      const page = await openPage(context, origin === 'file' ? fileUrl() : server.url);
      for (const sample of kSamples) await t.test(sample.about, () => assertSameAsNative(page, sample));
      await context.close();
    });
  }

  test('every shared case the page can express', async (t) => {
    const cases = expressibleCases();
    assert.ok(cases.length >= 20, `only ${cases.length} cases`);
    const context = await browser.newContext({acceptDownloads: true});
    const page = await openPage(context, server.url);
    const loaded = server.requests.length;
    const requests = [];
    page.on('request', (request) => requests.push(request.url()));
    for (const run of cases) await t.test(run.name, () => assertSameAsNative(page, run));
    assert.deepEqual(requests.filter((url) => !url.startsWith('blob:')), [], 'the browser made requests');
    assert.equal(server.requests.length, loaded, 'the server was asked for something after load');
    await context.close();
  });
});
