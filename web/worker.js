// The code of the page's Web Workers. The page loads this file as a classic
// script only to get the source of engineWorker: it builds each worker from
// a blob: URL holding makeEngineHost's source and this function's, because a
// page opened from a folder (file://) may neither fetch nor start a worker
// from a file.
'use strict';

// Runs inside a worker. Waits for {type: 'start', module} (a compiled
// engine), then answers, one at a time and in order:
//   {type: 'kinds', id, files}          -> {type: 'kinds', id, kinds}
//   {type: 'lines', id, file, first, count}
//                                       -> {type: 'lines', id, lines | error}
//   {type: 'convert', id, args, files, store}
//                                       -> {type: 'progress', read, total}...,
//                                          then {type: 'converted', id, ...}
// A kind is 'airbus', 'anf', null (neither) or {unreadable: reason}.
// Anything the engine throws comes back as {type: 'failed', id, message}
// rather than ending the worker silently.
function engineWorker(scope, makeEngineHost) {
  const kHeadBytes = 1 << 20;  // the engine decides a file's kind from its first MiB
  const kProgressEveryMs = 100;
  const kPartBytes = 16 << 20;  // of "APB" in each Blob part
  const host = makeEngineHost();
  const reader = new FileReaderSync();
  let module = null;

  // The bytes of file from offset, length at most; throws when the file
  // cannot be read (removed, or changed since it was picked).
  function readSlice(file, offset, length) {
    return new Uint8Array(reader.readAsArrayBuffer(file.slice(offset, offset + length)));
  }

  // One input as the engine host takes it.
  function inputOf(file) {
    return {size: file.size, read: (offset, length) => readSlice(file, offset, length)};
  }

  function kindOf(file) {
    let head;
    try {
      head = readSlice(file, 0, kHeadBytes);
    } catch (error) {
      return {unreadable: error && error.message ? error.message : String(error)};
    }
    return host.fileKind(module, head);
  }

  // Where "APB" goes while it is made. A page served over http(s) gets a
  // file named name in the browser's private storage for the page (on
  // disk), so that even gigabytes of "APB" never sit in memory: the tab's
  // own file, made anew each conversion, and files older than a day, which
  // no tab still offers, are removed first. A page opened from its folder
  // has no such storage: null, and "APB" gathers as Blob parts in memory.
  async function openStore(name) {
    const kDay = 24 * 60 * 60 * 1000;
    try {
      const root = await navigator.storage.getDirectory();
      for await (const entry of root.keys()) {
        const made = Number(entry.split('-')[1]);
        if (entry === name || (entry.startsWith('APB-') && !(Date.now() - made < kDay))) {
          await root.removeEntry(entry).catch(() => {});
        }
      }
      const handle = await root.getFileHandle(name, {create: true});
      const access = await handle.createSyncAccessHandle();
      access.truncate(0);  // in case the old one could not be removed
      return {handle, access, written: 0};
    } catch {
      return null;
    }
  }

  // Runs one program over files; sends progress while it reads and, at the
  // end, the diagnostics and "APB" as one Blob (null when nothing was made).
  async function convert(message) {
    const store = message.store ? await openStore(message.store) : null;
    const parts = [];
    let outputBytes = 0;
    let lastProgress = 0;
    // "APB" gathers in one buffer, reused, and leaves it each time it is
    // full: a write or a Blob per piece the engine hands over (a megabyte
    // or two) costs more than the copy.
    const batch = new Uint8Array(kPartBytes);
    let batched = 0;
    const flush = () => {
      if (batched === 0) return;
      const bytes = batch.subarray(0, batched);
      if (store) {
        store.written += store.access.write(bytes, {at: store.written});
      } else {
        parts.push(new Blob([bytes]));
      }
      batched = 0;
    };
    const result = host.run(module, {
      args: message.args,
      inputs: message.files.map(inputOf),
      onOutput(bytes) {
        outputBytes += bytes.length;
        for (let at = 0; at < bytes.length;) {
          const size = Math.min(bytes.length - at, kPartBytes - batched);
          batch.set(bytes.subarray(at, at + size), batched);
          batched += size;
          at += size;
          if (batched === kPartBytes) flush();
        }
      },
      onProgress(read, total) {
        const now = Date.now();
        if (now - lastProgress < kProgressEveryMs && read < total) return;
        lastProgress = now;
        scope.postMessage({type: 'progress', read, total});
      },
    });
    flush();
    if (store) {
      store.access.flush();
      store.access.close();
      // Typed, so that a browser saves it as "APB" and not "APB.txt".
      if (outputBytes > 0) parts.push(await store.handle.getFile());
    }
    const apb = parts.length ? new Blob(parts, {type: 'application/octet-stream'}) : null;
    scope.postMessage({
      type: 'converted',
      id: message.id,
      exitCode: result.exitCode,
      diagnostics: result.diagnostics,
      memoryBytes: result.memoryBytes,
      trapped: Boolean(result.trapped),
      apb,
      apbBytes: outputBytes,
    });
  }

  function answer(message) {
    switch (message.type) {
      case 'start':
        module = message.module;
        return;
      case 'kinds':
        scope.postMessage({type: 'kinds', id: message.id, kinds: message.files.map(kindOf)});
        return;
      case 'lines': {
        let lines;
        try {
          lines = host.lines(module, inputOf(message.file), message.first, message.count);
        } catch (error) {
          scope.postMessage({type: 'lines', id: message.id, error: String(error && error.message || error)});
          return;
        }
        scope.postMessage({type: 'lines', id: message.id, lines});
        return;
      }
      case 'convert':
        return convert(message);
    }
  }

  scope.onmessage = (event) => {
    const fail = (error) => {
      const text = error && error.message ? error.message : String(error);
      const trapped = typeof WebAssembly === 'object' && error instanceof WebAssembly.RuntimeError;
      scope.postMessage({type: 'failed', id: event.data && event.data.id, message: text, trapped});
    };
    try {
      Promise.resolve(answer(event.data)).catch(fail);
    } catch (error) {
      fail(error);
    }
  };
}
