// The page's engine (engine.wasm) and what it needs around it: its inputs
// read in slices, "APB" handed back as it is made, standard error kept as
// text. No DOM: it runs in the page's worker and under Node (the tests).
// Each call makes a fresh instance of the compiled module, so nothing is
// left over from one conversion to the next.
function makeEngineHost() {
  'use strict';

  // A browser reads a file fastest in slices of megabytes.
  const kSlice = 16 << 20;
  // What the engine's page functions return for a failed read.
  const kCannotRead = -1;
  const kChanged = -2;
  // The WASI numbers used below.
  const kSuccess = 0;
  const kBadFile = 8;
  const kNotSeekable = 70;
  const kRegularFile = 4;

  // An address or a size the engine passes: WebAssembly's 32-bit integers
  // reach JavaScript signed, so those past 2 GiB would be negative.
  const address = (value) => value >>> 0;

  // An instance with the page functions over inputs and onOutput, and the
  // four system functions its C library needs (standard output and error
  // kept in memory).
  function instantiate(module, inputs, onOutput, onRead) {
    let memory = null;
    const bytes = () => new Uint8Array(memory.buffer);
    const streams = { 1: [], 2: [] };
    let open = null; // { input, offset, slice, sliceOffset }

    function readSlice(state) {
      const length = Math.min(kSlice, state.input.size - state.offset);
      if (length <= 0) return new Uint8Array(0);
      const slice = state.input.read(state.offset, length);
      // A file cut short after it was picked has changed.
      if (slice.length !== length) throw Object.assign(new Error('changed'), { name: 'NotReadableError' });
      return slice;
    }

    const page = {
      input_open(k, path, size) {
        const name = bytes().slice(address(path), address(path) + address(size));
        const input = typeof inputs === 'function' ? inputs(k, name) : inputs[k];
        open = { input, offset: 0, slice: new Uint8Array(0), at: 0 };
        return open.input ? kSuccess : kCannotRead;
      },
      input_read(pointer, size) {
        if (open.at === open.slice.length) {
          try {
            open.slice = readSlice(open);
          } catch (error) {
            // A browser refuses to read a file that changed after it was
            // picked.
            return error && error.name === 'NotReadableError' ? kChanged : kCannotRead;
          }
          open.at = 0;
          open.offset += open.slice.length;
          if (onRead) onRead(open.slice.length);
        }
        const got = Math.min(address(size), open.slice.length - open.at);
        bytes().set(open.slice.subarray(open.at, open.at + got), address(pointer));
        open.at += got;
        return got;
      },
      input_close() {
        open = null;
        return kSuccess;
      },
      output_write(pointer, size) {
        onOutput(bytes().subarray(address(pointer), address(pointer) + address(size)));
      },
    };

    const system = {
      fd_write(fd, iovs, count, written) {
        const view = new DataView(memory.buffer);
        let total = 0;
        for (let k = 0; k < count; ++k) {
          const base = view.getUint32(address(iovs) + 8 * k, true);
          const length = view.getUint32(address(iovs) + 8 * k + 4, true);
          if (streams[fd]) streams[fd].push(bytes().slice(base, base + length));
          total += length;
        }
        view.setUint32(address(written), total, true);
        return streams[fd] ? kSuccess : kBadFile;
      },
      fd_fdstat_get(fd, stat) {
        if (!streams[fd]) return kBadFile;
        // A regular file: fully buffered, never a terminal.
        const view = new DataView(memory.buffer);
        const at = address(stat);
        view.setUint8(at, kRegularFile);
        view.setUint16(at + 2, 0, true);
        view.setBigUint64(at + 8, 0xffffffffffffffffn, true);
        view.setBigUint64(at + 16, 0xffffffffffffffffn, true);
        return kSuccess;
      },
      fd_seek() {
        return kNotSeekable;
      },
      fd_close() {
        return kSuccess;
      },
    };

    const instance = new WebAssembly.Instance(module, { page, wasi_snapshot_preview1: system });
    memory = instance.exports.memory;
    instance.exports._initialize();
    return { instance, exports: instance.exports, streams, memory };
  }

  // Copies bytes into the engine's buffer; returns their size.
  function pass(engine, data) {
    const pointer = address(engine.exports.page_buffer(data.length));
    new Uint8Array(engine.memory.buffer).set(data, pointer);
    return data.length;
  }

  function joined(parts) {
    const size = parts.reduce((sum, part) => sum + part.length, 0);
    const all = new Uint8Array(size);
    let at = 0;
    for (const part of parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  const text = (parts) => new TextDecoder('utf-8').decode(joined(parts));

  // The command line as the engine takes it: each argument (a string, or
  // bytes as they are) followed by a NUL.
  function commandLine(args) {
    const encoder = new TextEncoder();
    return joined(args.flatMap((arg) => [typeof arg === 'string' ? encoder.encode(arg) : arg, new Uint8Array(1)]));
  }

  // Runs the engine on what a trap leaves: true when it trapped.
  function guarded(call) {
    try {
      call();
      return false;
    } catch (error) {
      if (error instanceof WebAssembly.RuntimeError) return true;
      throw error;
    }
  }

  return {
    compile(bytes) {
      return WebAssembly.compile(bytes);
    },

    // Runs a program (args[0]: "converter" or "trevik") as its command
    // line args says, on inputs ({size, read(offset, length)}, one per
    // file named, in order; or a function of the input's number and its
    // path's bytes that gives it, or null when there is no such file).
    // onOutput gets the bytes of "APB" in order, as the engine makes them:
    // a view of the engine's memory, good until it returns (copy what you
    // keep). Returns its exit code, what it said on
    // standard output and standard error, the engine's memory at the end
    // (its peak: memory never shrinks) and whether it trapped (an
    // allocation that failed).
    run(module, { args, inputs, onOutput = () => {}, onProgress = () => {} }) {
      const total = typeof inputs === 'function' ? 0 : inputs.reduce((sum, input) => sum + input.size, 0);
      let read = 0;
      const engine = instantiate(module, inputs, onOutput, (size) => {
        read += size;
        onProgress(read, total);
      });
      let exitCode = -1;
      const trapped = guarded(() => {
        exitCode = engine.exports.page_run(pass(engine, commandLine(args)));
      });
      return {
        exitCode,
        stdout: text(engine.streams[1]),
        diagnostics: text(engine.streams[2]),
        memoryBytes: engine.memory.buffer.byteLength,
        trapped,
      };
    },

    // Which program applies to a file whose first bytes are head.
    fileKind(module, head) {
      const engine = instantiate(module, [], () => {});
      const kind = engine.exports.page_file_kind(pass(engine, head));
      return [null, 'airbus', 'anf'][kind] ?? null;
    },

    // Lines first to first + count - 1 of input (numbered from 1), as the
    // engine cuts them: [{line, text}].
    lines(module, input, first, count) {
      const parts = [];
      const engine = instantiate(module, [input], (part) => parts.push(part.slice()));
      engine.exports.page_lines(first, count);
      const lines = text(parts).split('\n');
      lines.pop(); // after the last line feed
      // A CR before the line feed ends the line too (CR LF).
      return lines.map((line, k) => ({ line: first + k, text: line.replace(/\r$/, '') }));
    },
  };
}

if (typeof module !== 'undefined') module.exports = makeEngineHost;
