// Runs a WASI command (corpus_replay.wasm) under Node with one folder of
// files visible to it as /corpus:
//   node --no-warnings run_wasi.mjs WASM DIR ARG... [-- NAME...]
// The ARGs are passed as they stand; each NAME after "--" is passed as
// /corpus/NAME. Its standard output and error are this process's. Exits
// with the command's exit code, or 3 (with the reason on standard error)
// when the WebAssembly traps or cannot be loaded.
import { readFile } from 'node:fs/promises';
import { argv, exit } from 'node:process';
import { WASI } from 'node:wasi';

const [wasmPath, dir, ...rest] = argv.slice(2);
if (!wasmPath || !dir) {
  console.error('usage: run_wasi.mjs WASM DIR ARG... [-- NAME...]');
  exit(2);
}
const cut = rest.indexOf('--');
const args = cut < 0 ? rest : [
  ...rest.slice(0, cut),
  ...rest.slice(cut + 1).map((name) => `/corpus/${name}`),
];

const wasi = new WASI({
  version: 'preview1',
  args: ['corpus_replay', ...args],
  env: {},
  preopens: { '/corpus': dir },
  returnOnExit: true,
});
let code;
try {
  const module = await WebAssembly.compile(await readFile(wasmPath));
  const instance = await WebAssembly.instantiate(module, wasi.getImportObject());
  code = wasi.start(instance);
} catch (error) {
  console.error(`WebAssembly failed: ${error && error.stack ? error.stack : error}`);
  code = 3;
}
exit(code);
