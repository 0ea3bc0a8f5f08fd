// Shared builders of the browser tests: where things are, the browser, the
// page opened from its folder or from a local server, the native programs,
// the shared cases, and one conversion driven through the page as a user
// would, by roles and accessible names.
import assert from 'node:assert/strict';
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {chromium} from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
const repo = path.resolve(here, '..', '..');

// Everything the tests take from outside, with the defaults of a checkout
// whose programs are built in build/ and whose page is built in build/web.
export const env = {
  webDir: path.resolve(process.env.WEB_DIR || path.join(repo, 'build', 'web')),
  converter: path.resolve(process.env.CONVERTER || path.join(repo, 'build', 'bin', 'converter')),
  trevik: path.resolve(process.env.TREVIK || path.join(repo, 'build', 'bin', 'trevik')),
  generate: path.resolve(process.env.GENERATE || path.join(repo, 'build', 'bin', 'generate')),
  cases: path.resolve(process.env.CASES || path.join(repo, 'tests', 'cases')),
  examples: path.join(repo, 'examples'),
  chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  screenshot: process.env.SCREENSHOT || '',
};

export function programPath(program) {
  return program === 'converter' ? env.converter : env.trevik;
}

// A fresh folder under the system's temporary folder, removed at exit.
export function tempDir(prefix = 'page-test-') {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  process.on('exit', () => fs.rmSync(dir, {recursive: true, force: true}));
  return dir;
}

// Writes files ({name: bytes | string}) into dir; returns their paths in order.
export function writeFiles(dir, files) {
  return Object.entries(files).map(([name, content]) => {
    const file = path.join(dir, name);
    fs.writeFileSync(file, content);
    return file;
  });
}

// ---- The native programs ---------------------------------------------------

// Runs a native program as the page does: the same arguments, names only,
// in a folder that holds the inputs. Returns its exit code, its JSON lines
// and the bytes of "APB" (null when it wrote none).
export function runNative(program, flags, inputPaths) {
  const dir = tempDir('native-');
  const names = inputPaths.map((p) => path.basename(p));
  for (const p of inputPaths) fs.symlinkSync(p, path.join(dir, path.basename(p)));
  const args = ['--diagnostics=json', ...flags, '--', ...names];
  const done = spawnSync(programPath(program), args, {cwd: dir, stdio: ['ignore', 'pipe', 'pipe'], maxBuffer: 1 << 30});
  if (done.error) throw done.error;
  const apbPath = path.join(dir, 'APB');
  const apb = fs.existsSync(apbPath) ? fs.readFileSync(apbPath) : null;
  fs.rmSync(dir, {recursive: true, force: true});
  return {exitCode: done.status, diagnostics: done.stderr.toString('utf8'), apb};
}

// The findings of JSON lines as the table shows them: file, line, kind,
// airport, message.
export function findingRowsOf(diagnostics) {
  return diagnostics.split('\n').filter(Boolean).map((line) => JSON.parse(line))
      .filter((o) => o.type === 'finding')
      .map((f) => [f.file, f.line === null ? 'whole file' : String(f.line), f.kind, f.airport ?? '', f.message]);
}

// ---- The shared cases ------------------------------------------------------

function unescape(text) {
  return Buffer.from(text.replace(/\\\\|\\x([0-9a-fA-F]{2})/g, (all, hex) =>
    (hex ? String.fromCharCode(parseInt(hex, 16)) : '\\')), 'latin1');
}

// One case folder read by the rules of tests/cases/README.md:
// {name, program, args: [string], files: [{name, bytes}], stdin, dirs, output}.
export function readCase(dir) {
  const found = {name: path.basename(dir), program: null, args: [], files: [], stdin: null, dirs: [], output: null};
  let target = null;
  for (const raw of fs.readFileSync(path.join(dir, 'case'), 'utf8').split('\n')) {
    const line = raw.replace(/\r$/, '');
    if (!line.trim() || line.startsWith('#')) continue;
    const space = line.indexOf(' ');
    const key = space < 0 ? line : line.slice(0, space);
    const value = space < 0 ? '' : line.slice(space + 1);
    if (key === 'part') {
      const [source, count = '1'] = value.split(/\s+/);
      const from = source.startsWith('examples/') ? path.join(env.examples, source.slice(9)) : path.join(dir, source);
      const bytes = fs.readFileSync(from);
      target.push(Number(count) === 1 ? bytes : Buffer.alloc(bytes.length * Number(count), bytes));
      continue;
    }
    target = null;
    if (key === 'program') found.program = value;
    else if (key === 'arg') found.args.push(unescape(value).toString('latin1'));
    else if (key === 'file') { target = []; found.files.push({name: unescape(value).toString('latin1'), parts: target}); }
    else if (key === 'stdin') { target = []; found.stdin = target; }
    else if (key === 'dir') found.dirs.push(value);
    else if (key === 'output') found.output = value;
  }
  for (const file of found.files) file.bytes = Buffer.concat(file.parts);
  return found;
}

// What the page can express of a case: a program on files of its folder
// (each once, plain printable names), with --check or --strict at most; for
// converter one file, as the page gives converter no other. Returns
// {program, flags, names} or null.
export function pageRunOf(found) {
  if (found.stdin || found.dirs.length || found.output) return null;
  const flags = [];
  const names = [];
  let filesOnly = false;
  for (const arg of found.args) {
    if (!filesOnly && arg === '--') filesOnly = true;
    else if (!filesOnly && (arg === '--check' || arg === '--strict')) flags.push(arg);
    else if (!filesOnly && arg.startsWith('-')) return null;
    else names.push(arg);
  }
  const known = new Set(found.files.map((f) => f.name));
  if (!names.length || names.some((n) => !known.has(n) || !/^[\x21-\x7e][\x20-\x7e]*$/.test(n))) return null;
  if (new Set(names).size !== names.length) return null;
  if (found.program === 'converter' && names.length !== 1) return null;
  return {program: found.program, flags, names};
}

// Every case of the shared folder that the page can express, its files
// laid out in a folder of its own: [{name, program, flags, paths}].
export function expressibleCases() {
  const cases = [];
  for (const name of fs.readdirSync(env.cases).sort()) {
    const dir = path.join(env.cases, name);
    if (!fs.existsSync(path.join(dir, 'case'))) continue;
    const found = readCase(dir);
    const run = pageRunOf(found);
    if (!run) continue;
    const folder = tempDir(`case-${name}-`);
    for (const file of found.files) fs.writeFileSync(path.join(folder, file.name), file.bytes);
    cases.push({name, program: run.program, flags: run.flags, paths: run.names.map((n) => path.join(folder, n))});
  }
  return cases;
}

// ---- The browser and the page ----------------------------------------------

export async function launchBrowser() {
  return chromium.launch({executablePath: env.chromium, args: ['--no-sandbox']});
}

// A static server of the page's folder on 127.0.0.1 that counts requests.
export async function servePage(dir = env.webDir) {
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
  const url = `http://127.0.0.1:${server.address().port}/index.html`;
  return {url, requests, close: () => new Promise((resolve) => server.close(resolve))};
}

export function fileUrl(dir = env.webDir) {
  return pathToFileURL(path.join(dir, 'index.html')).href;
}

// A new page at url, the engine loaded; page errors fail the test that
// reads page.errors.
export async function openPage(context, url) {
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  await page.goto(url);
  await page.getByText('Engine ready').waitFor({timeout: 30000});
  return page;
}

const convertButton = (page) => page.getByRole('button', {name: 'Convert', exact: true});

// The names of the files in the list, in order.
async function listedNames(page) {
  const table = page.getByRole('table', {name: /^Files/});
  return table.locator('tbody tr').evaluateAll((rows) => rows.map((r) => r.cells[1].textContent));
}

// Picks files and sets the page up as the command line `program flags
// names...` would run: the program, the files ticked, their order.
export async function arrange(page, {program, flags = [], paths}) {
  await page.getByLabel('Input files').setInputFiles(paths);
  await page.getByRole('radio', {name: new RegExp(`^${program}:`)}).check();
  const names = paths.map((p) => path.basename(p));
  if (program === 'converter') {
    await page.getByRole('radio', {name: `Convert ${names[0]}`, exact: true}).check();
  } else {
    for (const name of await listedNames(page)) {
      await page.getByRole('checkbox', {name: `Convert ${name}`, exact: true}).setChecked(names.includes(name));
    }
    for (let i = 0; i < names.length; i++) {
      const at = (await listedNames(page)).indexOf(names[i]);
      for (let k = at; k > i; k--) await page.getByRole('button', {name: `Move up ${names[i]}`, exact: true}).click();
    }
  }
  await page.getByRole('switch', {name: 'No APB when anything was found'}).setChecked(flags.includes('--strict'));
  await page.getByRole('switch', {name: 'Read only: write no APB'}).setChecked(flags.includes('--check'));
}

// Clicks Convert and waits for the outcome. Returns what the page offers:
// {apb: bytes | null, apbName, report: string, rows, memory, outcome}.
export async function convert(page, {timeout = 120000} = {}) {
  const outcome = page.getByRole('status', {name: 'Outcome'});
  await convertButton(page).click();
  await page.waitForFunction((el) => el.hasAttribute('data-wasm-memory') ||
      /cancelled|stopped|Out of memory/.test(el.textContent), await outcome.elementHandle(), {timeout});
  return collectResult(page);
}

export async function collectResult(page) {
  const outcome = page.getByRole('status', {name: 'Outcome'});
  const result = {outcome: await outcome.innerText(), memory: Number(await outcome.getAttribute('data-wasm-memory')),
    apb: null, apbName: null, report: '', rows: []};
  const apbLink = page.getByRole('link', {name: 'Download APB'});
  if (await apbLink.isVisible()) {
    const download = await downloadOf(page, () => apbLink.click());
    result.apbName = download.name;
    result.apb = download.bytes;
  }
  const report = page.getByRole('button', {name: 'Download report'});
  if (await report.isVisible()) result.report = (await downloadOf(page, () => report.click())).bytes.toString('utf8');
  result.rows = await findingRows(page);
  return result;
}

export async function downloadOf(page, click) {
  const [download] = await Promise.all([page.waitForEvent('download'), click()]);
  const file = await download.path();
  return {name: download.suggestedFilename(), bytes: fs.readFileSync(file)};
}

// Every row of the table of findings, in the order shown, scrolling it
// through as its rows are drawn only once in view.
export async function findingRows(page) {
  const table = page.getByRole('table', {name: 'Findings'});
  if (!(await table.isVisible())) return [];
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
    scroller.scrollTop = 0;
    return rows;
  });
}

// Runs one command line in the page and natively; the page must offer what
// the program wrote and say what it said.
export async function assertSameAsNative(page, run) {
  const native = runNative(run.program, run.flags || [], run.paths);
  await arrange(page, run);
  const shown = await convert(page);
  if (native.apb === null) {
    assert.equal(shown.apb, null, 'the page offers an APB the program did not write');
  } else {
    assert.ok(shown.apb, `no APB offered; the page says: ${shown.outcome}`);
    assert.equal(shown.apbName, 'APB');
    assert.ok(shown.apb.equals(native.apb), `APB differs: ${shown.apb.length} bytes, the program's ${native.apb.length}`);
  }
  assert.equal(shown.report, native.diagnostics);
  assert.deepEqual(shown.rows, findingRowsOf(native.diagnostics));
  assert.match(shown.outcome, new RegExp(`Exit code ${native.exitCode}\\b`));
  assert.deepEqual(page.errors, []);
  return {native, shown};
}

// Presses Tab until the element of locator has the focus; fails after 80.
export async function tabTo(page, locator) {
  await locator.waitFor();
  for (let i = 0; i < 80; i++) {
    if (await locator.evaluate((el) => el === document.activeElement).catch(() => false)) return;
    await page.keyboard.press('Tab');
  }
  assert.fail('Tab never reached the control');
}

