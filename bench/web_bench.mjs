// The page's benchmark: how fast and how lean the browser page is beside the
// native one-thread programs, on this machine. Run through bench/web-bench;
// it takes playwright-core from tests/web/node_modules (`npm ci` there) and
// drives Debian's Chromium, headless. Figures, each with its target:
//
//   - page time / native time on 100 MB of each format: Convert clicked to
//     "Download APB" shown, on a page that already converted once; native
//     and page runs interleaved, medians;
//   - the engine's WebAssembly memory after each size (data-wasm-memory);
//   - the browser's peak memory (Pss summed over Chromium and all its
//     processes, sampled every 100 ms) during the 1,000 MB conversion,
//     above the idle page's (loaded, no file picked);
//   - the page folder's files, each compressed with gzip level 9, summed;
//   - the samples converted after opening the page in a fresh context:
//     navigation start to the summary drawn.
// It is a benchmark, not a test: its times depend on the machine and its
// load, which it prints.
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath, pathToFileURL} from 'node:url';
import {parseArgs} from 'node:util';
import zlib from 'node:zlib';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const {chromium} = createRequire(path.join(root, 'tests', 'web', 'package.json'))('playwright-core');

const kLarge = 1000;  // MiB from which an input counts as large: fewer runs, the browser's memory target
const kRunLimitSeconds = 1800;  // a conversion still running after this is taken as hung
const kTargets = {ratio: 3.0, wasmMiB: 64, browserMiB: 300, pageBytes: 1e6, samplesMs: 1000};
const kFormats = [
  {program: 'converter', format: 'airbus', suffix: 'txt'},
  {program: 'trevik', format: 'anf', suffix: 'anf'},
];
const kSamples = [
  {label: 'north.anf + south.anf', files: ['north.anf', 'south.anf']},
  {label: 'airports.airbus.txt', files: ['airports.airbus.txt']},
];
const MiB = 1024 * 1024;

const usage = `usage: bench/web-bench [--web DIR] [--native DIR] [--inputs DIR] [--generate PROGRAM]
                       [--runs N] [--large-runs N] [--sizes 100,1000] [--no-large] [--chromium PATH]
                       [--http]
  --web DIR         the built page (default build/web; scripts/build-web DIR makes one)
  --native DIR      converter and trevik built with one thread (default build-one-thread-bench/bin,
                    built there in Release when missing)
  --inputs DIR      anf-SIZEM.anf and airbus-SIZEM.txt (a bench/run --keep folder will do); the
                    missing ones are generated (default build-web-bench/inputs)
  --generate PROG   the generator (default build/bin/generate, else DIR/generate of --native)
  --runs N          timed runs of each program and of the page per format, below 1000 MB (default 5)
  --large-runs N    the same from 1000 MB on, the first conversion of a fresh page (default 1)
  --sizes LIST      input sizes in MiB (default 100,1000); --no-large leaves out 1000 MB and more
  --http            open the page from a server of its own on 127.0.0.1 rather than from its folder
                    (there the page writes "APB" into the browser's storage on disk, not into memory)`;

function options() {
  const {values} = parseArgs({options: {
    web: {type: 'string', default: path.join(root, 'build', 'web')},
    native: {type: 'string'},
    inputs: {type: 'string', default: path.join(root, 'build-web-bench', 'inputs')},
    generate: {type: 'string'},
    runs: {type: 'string', default: '5'},
    'large-runs': {type: 'string', default: '1'},
    sizes: {type: 'string', default: '100,1000'},
    'no-large': {type: 'boolean', default: false},
    http: {type: 'boolean', default: false},
    chromium: {type: 'string', default: process.env.CHROMIUM || '/usr/bin/chromium'},
    help: {type: 'boolean', default: false},
  }});
  if (values.help) { console.log(usage); process.exit(0); }
  const o = {...values, runs: Number(values.runs), largeRuns: Number(values['large-runs']),
    sizes: values.sizes.split(',').map(Number).filter((s) => !values['no-large'] || s < kLarge)};
  if (!(o.runs >= 1 && o.largeRuns >= 1) || o.sizes.some((s) => !(s > 0)) || !o.sizes.length) {
    console.error(usage);
    process.exit(2);
  }
  return o;
}

function run(command, args, what) {
  const done = spawnSync(command, args, {stdio: ['ignore', 'inherit', 'inherit']});
  if (done.status !== 0) throw new Error(`${what} failed (${done.error?.message ?? `exit code ${done.status}`})`);
}

// The native programs' folder; the one-thread Release build made when the
// default folder lacks them.
function nativePrograms(o) {
  const dir = path.resolve(o.native ?? path.join(root, 'build-one-thread-bench', 'bin'));
  const missing = () => kFormats.some(({program}) => !fs.existsSync(path.join(dir, program)));
  if (missing() && !o.native) {
    const build = path.dirname(dir);
    console.log(`building the one-thread programs in ${build}`);
    run('cmake', ['-S', root, '-B', build, '-DCMAKE_BUILD_TYPE=Release', '-DONE_THREAD=ON', '-DWEB_PAGE=OFF',
      '-DBUILD_TESTING=OFF'], 'cmake');
    run('cmake', ['--build', build, '-j2', '--target', 'converter', 'trevik'], 'the build');
  }
  if (missing()) throw new Error(`no converter and trevik in ${dir}`);
  return dir;
}

// The input of a format and size, generated (seed 1, as bench/run) when missing.
function inputOf(o, nativeDir, {format, suffix}, size) {
  const file = path.join(path.resolve(o.inputs), `${format}-${size}M.${suffix}`);
  if (fs.existsSync(file)) return file;
  const generate = [o.generate, path.join(root, 'build', 'bin', 'generate'), path.join(nativeDir, 'generate')]
      .find((p) => p && fs.existsSync(p));
  if (!generate) throw new Error(`${file} is missing and there is no generator (build/bin/generate)`);
  fs.mkdirSync(path.dirname(file), {recursive: true});
  console.log(`generating ${file}`);
  run(generate, [format, `${size}M`, `${file}.part`, '1'], 'the generator');
  fs.renameSync(`${file}.part`, file);
  return file;
}

// ---- Native runs -------------------------------------------------------------

// One timed run of a program as the page runs it (--diagnostics=json, the
// input's name after --) in an empty folder; "APB" removed after, untimed.
function nativeRun(nativeDir, program, input, workDir) {
  const started = process.hrtime.bigint();
  const done = spawnSync(path.join(nativeDir, program), ['--diagnostics=json', '--', input],
      {cwd: workDir, stdio: ['ignore', 'ignore', 'ignore']});
  const seconds = Number(process.hrtime.bigint() - started) / 1e9;
  if (done.status !== 0) throw new Error(`${program} on ${input}: exit code ${done.status}`);
  fs.rmSync(path.join(workDir, 'APB'), {force: true});
  return seconds;
}

// ---- The browser's memory ------------------------------------------------------

// The processes below pid: Chromium and its helpers, children of this one.
function descendants(pid) {
  const children = new Map();
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
      const ppid = Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(Number(name));
    } catch { /* gone meanwhile */ }
  }
  const found = [];
  for (let queue = [pid]; queue.length;) {
    for (const child of children.get(queue.shift()) ?? []) { found.push(child); queue.push(child); }
  }
  return found;
}

// Pss of every browser process, summed, in bytes: shared pages count once.
function browserPss() {
  let kib = 0;
  for (const pid of descendants(process.pid)) {
    try {
      kib += Number(/^Pss:\s+(\d+)/m.exec(fs.readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8'))?.[1] ?? 0);
    } catch { /* gone meanwhile */ }
  }
  return kib * 1024;
}

// Samples browserPss every 100 ms while work runs; returns [result, peak].
async function sampledPeak(work) {
  let peak = browserPss();
  const timer = setInterval(() => { peak = Math.max(peak, browserPss()); }, 100);
  try {
    const result = await work();
    return [result, Math.max(peak, browserPss())];
  } finally {
    clearInterval(timer);
  }
}

// The idle page's memory: the median of ten samples over a second.
async function idleMemory() {
  const samples = [];
  for (let i = 0; i < 10; i++) {
    samples.push(browserPss());
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  return median(samples);
}

// ---- The page ------------------------------------------------------------------

// With --http, each page opens in a browser of its own with a fresh profile
// on disk, as a user's browser is, so that the page's storage is on disk
// (a context without a profile keeps it in memory).
let ownProfiles = null;

async function openPage(browser, url) {
  const context = ownProfiles
    ? await chromium.launchPersistentContext(fs.mkdtempSync(path.join(ownProfiles.dir, 'profile-')),
        {executablePath: ownProfiles.chromium, args: ['--no-sandbox'], acceptDownloads: true})
    : await browser.newContext({acceptDownloads: true});
  const page = await context.newPage();
  await page.goto(url);
  await page.getByText('Engine ready').waitFor({timeout: 30000});
  return page;
}

// Picks files and waits until Convert can be clicked (the engine has said
// which program reads them).
async function pick(page, files) {
  await page.getByLabel('Input files').setInputFiles(files);
  const button = page.getByRole('button', {name: 'Convert', exact: true});
  await page.waitForFunction((b) => !b.disabled, await button.elementHandle());
}

// One conversion timed inside the page: Convert clicked to "Download APB"
// shown. Returns {seconds, wasmBytes}; throws with the outcome's text when
// the page offers no "APB".
async function pageRun(page) {
  const button = page.getByRole('button', {name: 'Convert', exact: true});
  const result = await button.evaluate((convert, limit) => new Promise((resolve) => {
    const outcome = document.querySelector('[role=status][aria-label=Outcome]');
    const link = [...document.querySelectorAll('a')].find((a) => a.textContent.trim() === 'Download APB');
    const started = performance.now();
    const observer = new MutationObserver(() => {
      const ended = !link.hidden || outcome.hasAttribute('data-wasm-memory') ||
          /cancelled|stopped|Out of memory/.test(outcome.textContent);
      if (!ended) return;
      observer.disconnect();
      resolve({seconds: (performance.now() - started) / 1000, wasmBytes: Number(outcome.dataset.wasmMemory),
        failed: link.hidden ? outcome.innerText : null});
    });
    observer.observe(document.body, {subtree: true, childList: true, attributes: true, characterData: true});
    setTimeout(() => resolve({failed: `no outcome after ${limit} s`}), limit * 1000);
    convert.click();
  }), kRunLimitSeconds);
  if (result.failed) throw new Error(`the page offers no APB: ${result.failed}`);
  return result;
}

// Per format, on a fresh page: the idle memory, then (below 1000 MB) one
// untimed conversion, then native and page runs in turn, the browser's
// memory sampled during each large page run.
async function measureSize(browser, o, nativeDir, url, size, workDir) {
  const large = size >= kLarge;
  const count = large ? o.largeRuns : o.runs;
  const rows = [];
  for (const format of kFormats) {
    const input = inputOf(o, nativeDir, format, size);
    const page = await openPage(browser, url);
    const idle = await idleMemory();
    await pick(page, [input]);
    if (!large) {
      await pageRun(page);
      nativeRun(nativeDir, format.program, input, workDir);
    }
    const native = [];
    const paged = [];
    let wasm = 0;
    const peaks = [];
    for (let i = 0; i < count; i++) {
      native.push(nativeRun(nativeDir, format.program, input, workDir));
      // Sampling costs the browser a little CPU: only the large runs, whose
      // peak has a target, are sampled.
      const [result, runPeak] = large ? await sampledPeak(() => pageRun(page)) : [await pageRun(page), 0];
      paged.push(result.seconds);
      wasm = Math.max(wasm, result.wasmBytes);
      peaks.push(runPeak);
      console.log(`  ${format.program} ${size} MB run ${i + 1}/${count}: native ${native.at(-1).toFixed(3)} s, ` +
          `page ${result.seconds.toFixed(3)} s` + (large ? `, browser's peak ${mib(runPeak)}` : ''));
    }
    await page.context().close();
    // The target is on the first conversion of the idle page: later ones
    // may find the last one's "APB" not yet released.
    rows.push({...format, size, large, native, paged, wasm, idle, peak: peaks[0]});
  }
  return rows;
}

// The samples converted after opening the page, each in a fresh context:
// navigation start to the summary drawn (the frame after it is put in), in
// seconds. Marks put in by the page's own changes tell apart the bench's
// share (engine ready to files picked, Convert enabled to the conversion
// started: the time the automation takes to act) from the page's.
async function samplesAfterOpening(browser, url, count) {
  const results = [];
  for (const sample of kSamples) {
    const total = [];
    const own = [];
    for (let i = 0; i < count; i++) {
      const context = await browser.newContext();
      await context.addInitScript(() => {
        const marks = window.benchMarks = {};
        const mark = (name, when) => { if (when && marks[name] === undefined) marks[name] = performance.now(); };
        new MutationObserver(() => {
          const text = document.body?.textContent ?? '';
          const button = [...document.querySelectorAll('button')].find((b) => b.textContent.trim() === 'Convert');
          const outcome = document.querySelector('[role=status][aria-label=Outcome]');
          mark('ready', /Engine ready/.test(text));
          mark('picked', /Looking at/.test(text));
          mark('enabled', marks.picked !== undefined && button && !button.disabled);
          mark('converting', /Converting/.test(text));
          if (marks.put === undefined && outcome?.hasAttribute('data-wasm-memory')) {
            mark('put', true);
            requestAnimationFrame(() => { marks.summary = performance.now(); marks.text = outcome.innerText; });
          }
        }).observe(document, {subtree: true, childList: true, attributes: true, characterData: true});
      });
      const page = await context.newPage();
      await page.goto(url);
      await page.getByText('Engine ready').waitFor({timeout: 30000});
      await pick(page, sample.files.map((name) => path.join(root, 'examples', name)));
      await page.getByRole('button', {name: 'Convert', exact: true}).click();
      await page.waitForFunction(() => window.benchMarks.summary !== undefined);
      const m = await page.evaluate(() => window.benchMarks);
      if (!/Read \d/.test(m.text)) throw new Error(`no summary for ${sample.label}: ${m.text}`);
      total.push(m.summary / 1000);
      own.push((m.summary - (m.picked - m.ready) - (m.converting - m.enabled)) / 1000);
      await context.close();
    }
    results.push({...sample, total, own});
  }
  return results;
}

// The page's files, each compressed by gzip at level 9, summed.
function pageBytes(dir) {
  return fs.readdirSync(dir).map((name) => path.join(dir, name)).filter((file) => fs.statSync(file).isFile())
      .map((file) => ({name: path.basename(file), bytes: zlib.gzipSync(fs.readFileSync(file), {level: 9}).length}));
}

// ---- The report ----------------------------------------------------------------

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

const spread = (values) => (values.length > 1 ?
  ` (${Math.min(...values).toFixed(3)}-${Math.max(...values).toFixed(3)})` : '');
const mib = (bytes) => `${(bytes / MiB).toFixed(1)} MiB`;

// The load average and the processes using a CPU (ps's share over each
// one's life), to judge the noise of the times.
function machineLoad() {
  const busy = (spawnSync('ps', ['-eo', 'pcpu=,comm=', '--sort=-pcpu'], {encoding: 'utf8'}).stdout ?? '')
      .split('\n').map((line) => /^\s*([\d.]+)\s+(.*)$/.exec(line)).filter((m) => m && m[2] !== 'ps' && +m[1] >= 20)
      .map((m) => `${m[2]} ${m[1]}%`);
  return `load average ${os.loadavg().map((l) => l.toFixed(2)).join(' ')}` +
      (busy.length ? `; busy: ${busy.join(', ')}` : '');
}

function printTable(rows) {
  const heading = ['figure', 'measured', 'target', 'verdict'];
  const widths = heading.map((_, k) => Math.max(...[heading, ...rows].map((r) => r[k].length)));
  const line = (r) => `| ${r.map((cell, k) => cell.padEnd(widths[k])).join(' | ')} |`;
  console.log(line(heading));
  console.log(`|${widths.map((w) => '-'.repeat(w + 2)).join('|')}|`);
  for (const r of rows) console.log(line(r));
}

// A static server of the page's folder on 127.0.0.1, on a free port.
async function serve(dir) {
  const types = {'.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css'};
  const server = http.createServer((request, response) => {
    const file = path.join(dir, path.basename(new URL(request.url, 'http://x').pathname) || 'index.html');
    fs.readFile(file, (error, data) => {
      response.writeHead(error ? 404 : 200, {'content-type': types[path.extname(file)] ?? 'text/plain'});
      response.end(error ? '' : data);
    });
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  server.unref();
  return server;
}

async function main() {
  const o = options();
  const webDir = path.resolve(o.web);
  if (!fs.existsSync(path.join(webDir, 'engine-wasm.js'))) {
    throw new Error(`no built page in ${webDir} (scripts/build-web ${o.web})`);
  }
  const nativeDir = nativePrograms(o);
  const server = o.http ? await serve(webDir) : null;
  const url = server ? `http://127.0.0.1:${server.address().port}/index.html`
                     : pathToFileURL(path.join(webDir, 'index.html')).href;
  const workDir = fs.mkdtempSync(path.join(os.tmpdir(), 'web-bench-'));
  console.log(`command: bench/web-bench ${process.argv.slice(2).join(' ')}`);
  console.log(`machine: ${os.cpus().length} CPUs; before: ${machineLoad()}`);
  console.log(`page: ${url}; native: ${nativeDir}; runs: ${o.runs} (${o.largeRuns} from ${kLarge} MB on)`);

  if (o.http) ownProfiles = {dir: workDir, chromium: o.chromium};
  const browser = await chromium.launch({executablePath: o.chromium, args: ['--no-sandbox']});
  const table = [];
  let missed = false;
  const add = (figure, measured, target, met) => {
    missed ||= !met;
    table.push([figure, measured, target, met ? 'met' : 'MISSED']);
  };
  try {
    const measured = [];
    for (const size of o.sizes) measured.push(...await measureSize(browser, o, nativeDir, url, size, workDir));
    const samples = await samplesAfterOpening(browser, url, o.runs);
    for (const r of measured) {
      const [page, native] = [median(r.paged), median(r.native)];
      const ratio = page / native;
      const label = `${r.program}, ${r.size} MB`;
      const times = `${page.toFixed(3)}${spread(r.paged)} / ${native.toFixed(3)}${spread(r.native)} s = ` +
          ratio.toFixed(2);
      if (r.large) table.push([`page / native time, ${label} (cold page)`, times, '-', '']);
      else add(`page / native time, ${label}`, times, `<= ${kTargets.ratio.toFixed(1)}`, ratio <= kTargets.ratio);
      add(`WebAssembly memory, ${label}`, mib(r.wasm), `<= ${kTargets.wasmMiB} MiB`, r.wasm <= kTargets.wasmMiB * MiB);
      if (r.large) {
        add(`browser's peak above the idle page, ${label}`,
            `${mib(r.peak - r.idle)} (peak ${mib(r.peak)}, idle ${mib(r.idle)})`, `<= ${kTargets.browserMiB} MiB`,
            r.peak - r.idle <= kTargets.browserMiB * MiB);
      }
    }
    const files = pageBytes(webDir);
    const total = files.reduce((sum, f) => sum + f.bytes, 0);
    add(`page's files, gzip -9 each, summed (${files.length} files)`, `${total.toLocaleString('en')} bytes`,
        '<= 1 MB', total <= kTargets.pageBytes);
    for (const s of samples) {
      const seconds = median(s.total);
      add(`samples after opening: ${s.label}`,
          `${seconds.toFixed(3)}${spread(s.total)} s, the page's own ${median(s.own).toFixed(3)} s`, '<= 1 s',
          seconds * 1000 <= kTargets.samplesMs);
    }
  } finally {
    await browser.close();
    fs.rmSync(workDir, {recursive: true, force: true});
  }
  console.log('\nmedians in seconds (fastest-slowest); memory: Pss of all browser processes\n');
  printTable(table);
  console.log(`\nafter: ${machineLoad()}`);
  return missed ? 1 : 0;
}

main().then((code) => process.exit(code), (error) => {
  console.error(`web-bench: ${error.message}`);
  process.exit(2);
});
