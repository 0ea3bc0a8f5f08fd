// Runs the browser page's engine under Node, through the page's own host
// (web/engine-host.js), for tests: reads one JSON request on standard input
//   {"wasm": PATH, "runs": [{"args": [HEX...], "directory": PATH}]}
// (each argument's bytes in hex; an input is the file its path names in
// directory, or none) and writes one JSON line per run:
//   {"exit": N, "trapped": B, "stdout": B64, "stderr": B64, "apb": B64}
// where "apb" is every byte handed back as "APB".
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const makeEngineHost = require('../../web/engine-host.js');

function fileInput(file) {
  let data;
  try {
    data = fs.readFileSync(file);
  } catch {
    return null;
  }
  return { size: data.length, read: (offset, length) => data.subarray(offset, offset + length) };
}

async function main() {
  const request = JSON.parse(fs.readFileSync(0, 'utf8'));
  const host = makeEngineHost();
  const module = await host.compile(fs.readFileSync(request.wasm));
  for (const run of request.runs) {
    const apb = [];
    const result = host.run(module, {
      args: run.args.map((hex) => Buffer.from(hex, 'hex')),
      inputs: (k, name) => fileInput(Buffer.concat([Buffer.from(run.directory + path.sep), Buffer.from(name)])),
      onOutput: (bytes) => apb.push(Buffer.from(bytes)),
    });
    const base64 = (text) => Buffer.from(text).toString('base64');
    process.stdout.write(
      JSON.stringify({
        exit: result.exitCode,
        trapped: result.trapped,
        stdout: base64(result.stdout),
        stderr: base64(result.diagnostics),
        apb: Buffer.concat(apb).toString('base64'),
      }) + '\n',
    );
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
