// Drives the built conversion page in Debian's firefox-esr, headless, over
// WebDriver BiDi, once opened straight from its folder (file://) and once
// served from 127.0.0.1, and says what works in each:
//   - the page loads and its engine compiles ("Engine ready");
//   - trevik on north.anf and south.anf, and converter on
//     airports.airbus.txt, give the same "APB" and report as the native
//     programs (the file Firefox downloads, and the Blob the link holds);
//   - a broken input fills the table of findings with the program's findings;
//   - no request leaves the page once it is loaded, and the page's content
//     security policy blocks nothing.
// Controls are found as a user finds them: by role and accessible name.
//
//   node check.mjs [WEB_DIR]     (default: ../../build/web, or $WEB_DIR)
//
// Environment: FIREFOX (default /usr/bin/firefox-esr), TREVIK and CONVERTER
// (default ../../build/bin/...). Exits 0 when everything holds in both modes.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..', '..');
const env = {
  webDir: path.resolve(process.argv[2] || process.env.WEB_DIR || path.join(repo, 'build', 'web')),
  firefox: process.env.FIREFOX || '/usr/bin/firefox-esr',
  trevik: path.resolve(process.env.TREVIK || path.join(repo, 'build', 'bin', 'trevik')),
  converter: path.resolve(process.env.CONVERTER || path.join(repo, 'build', 'bin', 'converter')),
  examples: path.join(repo, 'examples'),
};

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'firefox-check-'));
process.on('exit', () => fs.rmSync(scratch, {recursive: true, force: true}));
const downloads = path.join(scratch, 'downloads');
fs.mkdirSync(downloads);

// ---- The native programs ---------------------------------------------------

// Runs a program as the page does: names only, in a folder holding the inputs.
function runNative(program, inputPaths) {
  const dir = fs.mkdtempSync(path.join(scratch, 'native-'));
  for (const p of inputPaths) fs.symlinkSync(p, path.join(dir, path.basename(p)));
  const args = ['--diagnostics=json', '--', ...inputPaths.map((p) => path.basename(p))];
  const done = spawnSync(program === 'converter' ? env.converter : env.trevik, args,
      {cwd: dir, stdio: ['ignore', 'pipe', 'pipe']});
  if (done.error) throw done.error;
  const apbPath = path.join(dir, 'APB');
  return {exitCode: done.status, diagnostics: done.stderr.toString('utf8'),
    apb: fs.existsSync(apbPath) ? fs.readFileSync(apbPath) : null};
}

function findingRowsOf(diagnostics) {
  return diagnostics.split('\n').filter(Boolean).map((line) => JSON.parse(line))
      .filter((o) => o.type === 'finding')
      .map((f) => [f.file, f.line === null ? 'whole file' : String(f.line), f.kind, f.airport ?? '', f.message]);
}

// ---- The page --------------------------------------------------------------

// A static server of the page's folder that records every request.
async function servePage(dir) {
  const types = {'.html': 'text/html', '.css': 'text/css', '.js': 'text/javascript'};
  const requests = [];
  const server = http.createServer((request, response) => {
    requests.push(request.url);
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(dir, name);
    if (!file.startsWith(dir) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'content-type': types[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {url: `http://127.0.0.1:${server.address().port}/index.html`, requests,
    close: () => new Promise((resolve) => { server.close(resolve); server.closeAllConnections(); })};
}

// The visible element of that role and name, or null. Firefox's lookup by
// role and name also finds hidden elements, which a user cannot see.
async function shown(page, selector) {
  for (const handle of await page.$$(selector)) {
    if (await handle.evaluate((el) => el.checkVisibility())) return handle;
  }
  return null;
}

// A proxy that every connection of the browser to anything but this
// computer goes through: it answers none and records each. WebDriver BiDi
// reports no requests of a page opened from a folder, so this is what shows
// that such a page sends nothing.
async function startProxy() {
  const seen = [];
  const server = http.createServer((request, response) => {
    seen.push(request.url);
    response.writeHead(502).end();
  });
  server.on('connect', (request, socket) => {
    seen.push(`CONNECT ${request.url}`);
    socket.destroy();
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {port: server.address().port, seen,
    close: () => new Promise((resolve) => { server.close(resolve); server.closeAllConnections(); })};
}

function isBrowsersOwn(request) {
  const host = request.replace(/^CONNECT /, '').replace(/^[a-z]+:\/\//, '').replace(/[:/].*$/, '');
  return /(^|\.)(mozilla\.(com|net|org)|firefox\.com|mozaws\.net)$/.test(host);
}

const aria = (role, name) => `::-p-aria([name=${JSON.stringify(name)}][role=${JSON.stringify(role)}])`;

// Runs before the page's own scripts: records the page's content security
// policy violations and keeps each Blob the page makes a URL for, so that the
// bytes behind the "Download APB" link can be read without a fetch (which the
// policy forbids).
function watchPage() {
  window.__violations = [];
  document.addEventListener('securitypolicyviolation', (e) =>
    window.__violations.push(`${e.violatedDirective} blocked ${e.blockedURI || '(inline)'}`));
  const blobs = new Map();
  window.__blobs = blobs;
  const make = URL.createObjectURL;
  URL.createObjectURL = function(object) {
    const url = make.call(URL, object);
    if (object instanceof Blob) blobs.set(url, object);
    return url;
  };
}

async function openPage(browser, url) {
  const page = await browser.newPage();
  page.errors = [];
  page.consoleLines = [];
  page.requests = [];
  page.on('pageerror', (error) => page.errors.push(String(error && error.message || error)));
  page.on('console', (message) => page.consoleLines.push(`${message.type()}: ${message.text()}`));
  page.on('request', (request) => page.requests.push(request.url()));
  await page.evaluateOnNewDocument(watchPage);
  await page.goto(url, {waitUntil: 'load'});
  await page.waitForFunction(() => /Engine ready|cannot|could not|missing/.test(
      document.getElementById('engine-state')?.textContent || ''), {timeout: 60000});
  const state = await page.$eval('#engine-state', (el) => el.textContent);
  if (!/Engine ready/.test(state)) throw new Error(`the engine did not load: ${state}`);
  return page;
}

// Waits for one new file in the downloads folder; returns its name and bytes.
async function downloadOf(click) {
  for (const name of fs.readdirSync(downloads)) fs.rmSync(path.join(downloads, name), {force: true});
  await click();
  const until = Date.now() + 30000;
  while (Date.now() < until) {
    const names = fs.readdirSync(downloads);
    const done = names.filter((n) => !n.endsWith('.part'));
    if (done.length && names.length === done.length) {
      await new Promise((resolve) => setTimeout(resolve, 200));  // the last write settles
      return {name: done[0], bytes: fs.readFileSync(path.join(downloads, done[0]))};
    }
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error('nothing was downloaded within 30 s');
}

// The names of the listed files, in order.
async function listedNames(page) {
  const table = await page.waitForSelector(aria('table', 'Files, in the order trevik reads them'));
  return table.evaluate((t) => Array.from(t.tBodies[0].rows, (r) => r.cells[1].textContent));
}

async function setChecked(page, role, name, wanted) {
  const box = await page.waitForSelector(aria(role, name));
  if (await box.evaluate((el) => el.checked) !== wanted) await box.click();
}

// Picks the files and sets the page up as `program names...` runs.
async function arrange(page, program, paths) {
  // Firefox's lookup by name finds the label "Input files", not the file
  // control it labels (a button to the lookup, but not by that name), so
  // the control is the one the label is for.
  const label = await page.waitForSelector('::-p-aria(Input files)');
  const input = await label.evaluateHandle((el) => el.control || el);
  await input.uploadFile(...paths);
  const names = paths.map((p) => path.basename(p));
  const radio = program === 'trevik' ? 'trevik: the ticked ANF files, in the order below' :
    'converter: one Airbus file';
  await setChecked(page, 'radio', radio, true);
  if (program === 'converter') {
    await setChecked(page, 'radio', `Convert ${names[0]}`, true);
  } else {
    for (const name of await listedNames(page)) await setChecked(page, 'checkbox', `Convert ${name}`, names.includes(name));
    for (let i = 0; i < names.length; i++) {
      const at = (await listedNames(page)).indexOf(names[i]);
      for (let k = at; k > i; k--) await (await page.waitForSelector(aria('button', `Move up ${names[i]}`))).click();
    }
    assert.deepEqual((await listedNames(page)).slice(0, names.length), names);
  }
  await setChecked(page, 'switch', 'No APB when anything was found', false);
  await setChecked(page, 'switch', 'Read only: write no APB', false);
}

// Every row of the findings table, scrolling it through (rows are drawn
// only once in view).
async function findingRows(page) {
  const table = await shown(page, aria('table', 'Findings'));
  if (!table) return [];
  return table.evaluate(async (t) => {
    const total = Number(t.getAttribute('aria-rowcount')) - 1;
    const scroller = t.parentElement;
    const rows = new Array(total);
    let seen = 0;
    scroller.scrollTop = 0;
    for (let guard = 0; seen < total && guard < 100000; guard++) {
      await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
      let lastDrawn = 0;
      for (const row of t.tBodies[0].querySelectorAll('tr[aria-rowindex]')) {
        const index = Number(row.getAttribute('aria-rowindex')) - 2;
        if (rows[index] === undefined) seen++;
        rows[index] = Array.from(row.cells, (c) => c.textContent);
        lastDrawn = Math.max(lastDrawn, row.offsetTop);
      }
      scroller.scrollTop = Math.max(scroller.scrollTop + scroller.clientHeight, lastDrawn - scroller.clientHeight);
    }
    return rows;
  });
}

// Converts and compares what the page offers with the native program's
// output. Returns the details that differ (empty when all agree).
async function compareWithNative(page, program, paths) {
  const native = runNative(program, paths);
  await arrange(page, program, paths);
  await (await page.waitForSelector(aria('button', 'Convert'))).click();
  const outcome = await page.waitForSelector(aria('status', 'Outcome'));
  await page.waitForFunction((el) => el.hasAttribute('data-wasm-memory') ||
      /cancelled|stopped|Out of memory/.test(el.textContent), {timeout: 120000}, outcome);
  const said = await outcome.evaluate((el) => el.innerText);
  const problems = [];
  if (!new RegExp(`Exit code ${native.exitCode}\\b`).test(said)) problems.push(`outcome: ${said.replace(/\s+/g, ' ')}`);

  const link = await shown(page, aria('link', 'Download APB'));
  if (native.apb && !link) problems.push('no "Download APB" link');
  if (!native.apb && link) problems.push('a "Download APB" link the program has no APB for');
  if (native.apb && link) {
    const href = await link.evaluate((a) => a.href);
    const held = await page.evaluate(async (url) => {
      const blob = window.__blobs.get(url);
      return blob ? Array.from(new Uint8Array(await blob.arrayBuffer())) : null;
    }, href);
    if (!held) problems.push('the link holds no Blob of the page');
    else if (!Buffer.from(held).equals(native.apb)) problems.push(`the link's Blob differs: ${held.length} bytes, the program's ${native.apb.length}`);
    try {
      const file = await downloadOf(() => link.click());
      if (file.name !== 'APB') problems.push(`downloaded as "${file.name}", not "APB"`);
      if (!file.bytes.equals(native.apb)) problems.push(`downloaded APB differs: ${file.bytes.length} bytes, the program's ${native.apb.length}`);
    } catch (error) {
      problems.push(`download of APB: ${error.message}`);
    }
  }
  const reportButton = await shown(page, aria('button', 'Download report'));
  if (native.diagnostics && !reportButton) problems.push('no "Download report" button');
  if (reportButton) {
    try {
      const file = await downloadOf(() => reportButton.click());
      if (file.bytes.toString('utf8') !== native.diagnostics) problems.push('the downloaded report differs from the program\'s diagnostics');
    } catch (error) {
      problems.push(`download of the report: ${error.message}`);
    }
  }
  const rows = await findingRows(page);
  try {
    assert.deepEqual(rows, findingRowsOf(native.diagnostics));
  } catch {
    problems.push(`findings table: ${rows.length} rows, the program's ${findingRowsOf(native.diagnostics).length}`);
  }
  return {problems, rows: rows.length, apbBytes: native.apb ? native.apb.length : 0};
}

// An ANF file with broken lines, made from north.anf.
function brokenInput() {
  const lines = fs.readFileSync(path.join(env.examples, 'north.anf'), 'latin1').split('\n');
  lines[2] = '09L forty-two hundred 4400 4200 3900 0.12 80';
  lines[4] = 'not a number at all';
  const file = path.join(scratch, 'broken', 'broken.anf');
  fs.mkdirSync(path.dirname(file), {recursive: true});
  fs.writeFileSync(file, lines.join('\n'), 'latin1');
  return file;
}

// ---- The checks ------------------------------------------------------------

async function checkMode(browser, proxy, mode, url, server = null) {
  const results = [];
  const record = (name, problems, detail = '') => {
    const r = {mode, name, ok: problems.length === 0, detail: problems.length ? problems.join('; ') : detail};
    results.push(r);
    console.log(`${r.ok ? 'ok  ' : 'FAIL'} ${r.mode.padEnd(7)} ${r.name}${r.detail ? ` — ${r.detail}` : ''}`);
  };
  const started = Date.now();
  let page;
  try {
    page = await openPage(browser, url);
    record('page loads, engine compiles (WebAssembly)', [], `${Date.now() - started} ms`);
  } catch (error) {
    record('page loads, engine compiles (WebAssembly)', [error.message]);
    return results;
  }
  const loadedRequests = page.requests.length;
  const proxiedAtLoad = proxy.seen.length;
  const servedAtLoad = server ? server.requests.length : 0;
  const runs = [
    ['trevik north.anf south.anf', 'trevik', ['north.anf', 'south.anf'].map((n) => path.join(env.examples, n))],
    ['converter airports.airbus.txt', 'converter', [path.join(env.examples, 'airports.airbus.txt')]],
    ['findings of a broken input', 'trevik', [brokenInput()]],
  ];
  for (const [name, program, paths] of runs) {
    const at = Date.now();
    try {
      const {problems, rows, apbBytes} = await compareWithNative(page, program, paths);
      if (name.startsWith('findings') && rows === 0) problems.push('the findings table shows no rows');
      record(name, problems, `same as native (APB ${apbBytes} bytes, ${rows} finding rows, ${Date.now() - at} ms)`);
    } catch (error) {
      record(name, [error.message.split('\n')[0]]);
    }
  }
  const after = page.requests.slice(loadedRequests).filter((u) => !u.startsWith('blob:') && !u.startsWith('data:'));
  record('no requests after load (as the browser reports them)', after.length ? [`${after.length}: ${after.slice(0, 5).join(', ')}`] : [],
      `reported at load: ${loadedRequests}; after: ${page.requests.length - loadedRequests} blob:/data: only`);
  // Firefox itself keeps asking Mozilla's services (remote settings) while
  // it runs; those connections are the browser's, not the page's.
  const proxied = proxy.seen.slice(proxiedAtLoad);
  const browsers = proxied.filter(isBrowsersOwn);
  const pages = proxied.filter((u) => !isBrowsersOwn(u));
  record('no connection beyond this computer after load', pages.length ? [pages.slice(0, 5).join(' ')] : [],
      `none; Firefox's own to Mozilla's services: ${browsers.length}`);
  const violations = await page.evaluate(() => window.__violations);
  if (server) {
    const later = server.requests.slice(servedAtLoad);
    record('the server saw no request after load', later.length ? [later.join(' ')] : [],
        `at load: ${server.requests.join(' ')}`);
  }
  record('content security policy blocks nothing', violations);
  record('no page errors', page.errors);
  await page.close();
  return results;
}

async function main() {
  for (const [what, file] of [['page', path.join(env.webDir, 'index.html')], ['trevik', env.trevik],
    ['converter', env.converter], ['firefox', env.firefox]]) {
    if (!fs.existsSync(file)) {
      console.error(`check: ${what} not found at ${file}`);
      process.exit(2);
    }
  }
  const began = Date.now();
  const proxy = await startProxy();
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: env.firefox,
    headless: true,
    protocol: 'webDriverBiDi',
    extraPrefsFirefox: {
      // Downloads go to our folder without asking.
      'browser.download.dir': downloads,
      'browser.download.folderList': 2,
      'browser.download.useDownloadDir': true,
      'browser.download.always_ask_before_handling_new_types': false,
      'browser.helperApps.neverAsk.saveToDisk': 'application/octet-stream,application/x-ndjson',
      'browser.download.alwaysOpenPanel': false,
      // Everything but 127.0.0.1 goes through the recording proxy.
      'network.proxy.type': 1,
      'network.proxy.http': '127.0.0.1',
      'network.proxy.http_port': proxy.port,
      'network.proxy.ssl': '127.0.0.1',
      'network.proxy.ssl_port': proxy.port,
    },
  });
  console.log(`firefox: ${await browser.version()}; puppeteer-core ${JSON.parse(fs.readFileSync(
      path.join(here, 'node_modules', 'puppeteer-core', 'package.json'), 'utf8')).version}`);
  const all = [];
  try {
    all.push(...await checkMode(browser, proxy, 'file://', pathToFileURL(path.join(env.webDir, 'index.html')).href));
    const server = await servePage(env.webDir);
    try {
      all.push(...await checkMode(browser, proxy, 'http', server.url, server));
    } finally {
      await server.close();
    }
  } finally {
    await browser.close();
    await proxy.close();
  }
  console.log(`run time ${((Date.now() - began) / 1000).toFixed(1)} s`);
  process.exit(all.every((r) => r.ok) ? 0 : 1);
}

await main();
