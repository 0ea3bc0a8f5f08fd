// The conversion page: picks files, asks the engine which program reads
// them, converts in a fresh Web Worker per conversion and shows the outcome,
// the findings and "APB" to download. Nothing is sent anywhere.
'use strict';

(function page() {
  const kLimitBytes = 2 ** 32;          // the engine counts input bytes in 32 bits
  const kProgressFromBytes = 4 * 1024 * 1024;
  const kContextLines = 3;              // lines shown before and after a finding
  const kLongLine = 2000;               // characters of one line shown in the context
  const kRowHeight = 28;                // px; matches .findings tbody tr in style.css
  // The name under which this tab's "APB" waits in the browser's storage:
  // its own, so that a conversion in another tab never deletes it.
  const kStoreName = `APB-${Date.now()}-${Math.random().toString(36).slice(2)}`;
  const kOverscanRows = 20;

  const $ = (id) => document.getElementById(id);
  const ui = {
    engineState: $('engine-state'), fileInput: $('file-input'), filesNote: $('files-note'),
    programChoice: $('program-choice'), fileTable: $('file-table'), fileRows: $('file-rows'),
    strict: $('strict-switch'), check: $('check-switch'),
    convert: $('convert-button'), cancel: $('cancel-button'),
    progressLine: $('progress-line'), progress: $('progress'), progressText: $('progress-text'),
    outcome: $('outcome'), downloadApb: $('download-apb'), downloadReport: $('download-report'),
    findingsSection: $('findings-section'), findingsCount: $('findings-count'),
    kindBoxes: $('kind-boxes'), findingsScroll: $('findings-scroll'),
    findingsTable: $('findings-table'), findingRows: $('finding-rows'),
    context: $('context'), contextAbout: $('context-about'), contextLines: $('context-lines'),
  };

  const state = {
    module: null,        // the compiled engine
    helper: null,        // a worker for file kinds and context lines
    nextRequest: 1,
    pending: new Map(),  // request id -> resolve, for the helper's answers
    entries: [],         // {file, kind, include}: the list, in trevik's order
    program: null,       // 'trevik' | 'converter'
    airbusChoice: null,  // the entry converter reads
    pickNumber: 0,       // the latest pick; answers about older picks are dropped
    conversion: null,    // {worker} while converting
    apbUrl: null,
    reportUrl: null,
    report: '',
  };

  // ---- Small helpers -------------------------------------------------------

  function plural(count, one, many) {
    return `${count.toLocaleString('en')} ${count === 1 ? one : many}`;
  }

  // A size in words: "812 bytes", "3.4 MB" (decimal), "64 MiB" for memory.
  function bytesInWords(bytes) {
    if (bytes < 1000) return plural(bytes, 'byte', 'bytes');
    const units = ['kB', 'MB', 'GB', 'TB'];
    let value = bytes;
    let unit = -1;
    while (value >= 1000 && unit < units.length - 1) { value /= 1000; unit++; }
    return `${value.toFixed(value < 10 ? 1 : 0)} ${units[unit]}`;
  }

  function mebibytes(bytes) {
    return `${(bytes / 1048576).toFixed(1)} MiB`;
  }

  function element(tag, text, className) {
    const node = document.createElement(tag);
    if (text !== undefined) node.textContent = text;
    if (className) node.className = className;
    return node;
  }

  function paragraph(text, className) {
    return element('p', text, className);
  }

  // The base64 text of engine-wasm.js as bytes.
  function decodeBase64(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  // ---- Workers -------------------------------------------------------------

  let workerUrl = null;

  // A new worker holding its own engine instance. Built from a blob: URL
  // because a page opened from a folder may not start a worker from a file.
  function newWorker() {
    if (!workerUrl) {
      const source = `'use strict';\n${makeEngineHost.toString()}\n${engineWorker.toString()}\n` +
          'engineWorker(self, makeEngineHost);\n';
      workerUrl = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    }
    const worker = new Worker(workerUrl);
    worker.postMessage({type: 'start', module: state.module});
    return worker;
  }

  // The helper worker's answer to one request. When the helper fails it is
  // replaced, and every open request is answered with an error.
  function askHelper(message) {
    if (!state.helper) {
      state.helper = newWorker();
      state.helper.onmessage = (event) => {
        const resolve = state.pending.get(event.data.id);
        if (!resolve) return;
        state.pending.delete(event.data.id);
        resolve(event.data);
      };
      state.helper.onerror = (event) => {
        event.preventDefault();
        dropHelper(event.message || 'the engine stopped');
      };
    }
    const id = state.nextRequest++;
    return new Promise((resolve) => {
      state.pending.set(id, resolve);
      state.helper.postMessage({...message, id});
    });
  }

  function dropHelper(reason) {
    if (state.helper) state.helper.terminate();
    state.helper = null;
    for (const resolve of state.pending.values()) resolve({type: 'failed', message: reason});
    state.pending.clear();
  }

  // ---- Engine --------------------------------------------------------------

  // Compiles the engine; says on the page why when it cannot.
  async function loadEngine() {
    ui.engineState.textContent = 'Loading the engine…';
    if (typeof WebAssembly !== 'object' || typeof WebAssembly.Module !== 'function') {
      return engineProblem('This browser cannot run WebAssembly, which the page needs to convert. ' +
          'Use a current browser, or the converter and trevik programs.');
    }
    if (typeof Worker !== 'function' || typeof makeEngineHost !== 'function' ||
        typeof engineWorker !== 'function') {
      return engineProblem('This browser cannot run the page\'s background work (Web Workers), ' +
          'or a file of the page is missing.');
    }
    if (typeof globalThis.engineWasmBase64 !== 'string') {
      return engineProblem('The engine (engine-wasm.js) is missing from the page\'s folder.');
    }
    try {
      state.module = await makeEngineHost().compile(decodeBase64(globalThis.engineWasmBase64));
    } catch (error) {
      return engineProblem(`The engine could not be loaded: ${error && error.message || error}.`);
    }
    ui.engineState.textContent = 'Engine ready. Pick the files to convert.';
    ui.engineState.classList.add('ready');
    updateConvertButton();
  }

  function engineProblem(text) {
    ui.engineState.textContent = text;
    ui.engineState.classList.add('problem');
    ui.fileInput.disabled = true;
  }

  // ---- The list of files ---------------------------------------------------

  // Replaces the list with files, in name order, then asks the engine what
  // each one is.
  async function takeFiles(fileList) {
    const files = Array.from(fileList).sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
    if (!files.length || !state.module) return;
    const pick = ++state.pickNumber;
    state.entries = files.map((file) => ({file, kind: undefined, include: false}));
    state.program = null;
    state.airbusChoice = null;
    ui.filesNote.textContent = `Looking at ${plural(files.length, 'file', 'files')}…`;
    renderFiles();
    const answer = await askHelper({type: 'kinds', files});
    if (pick !== state.pickNumber) return;
    const kinds = answer.kinds || files.map(() => ({unreadable: answer.message}));
    state.entries.forEach((entry, i) => { entry.kind = kinds[i]; });
    chooseDefaults();
    renderFiles();
  }

  function isKind(entry, kind) {
    return entry.kind === kind;
  }

  // With ANF files among them, trevik reads every ANF file; otherwise
  // converter reads the first Airbus file. When no file is either, nothing is
  // ticked: the user may still tick files and convert them anyway.
  function chooseDefaults() {
    const anf = state.entries.filter((e) => isKind(e, 'anf'));
    const airbus = state.entries.filter((e) => isKind(e, 'airbus'));
    for (const entry of state.entries) entry.include = isKind(entry, 'anf');
    state.airbusChoice = airbus[0] || null;
    if (anf.length) state.program = 'trevik';
    else if (airbus.length) state.program = 'converter';
    else state.program = state.entries.some((e) => /\.anf$/i.test(e.file.name)) ? 'trevik' : 'converter';
    const nothing = !anf.length && !airbus.length;
    ui.filesNote.textContent = nothing ?
      'None of these files reads as an Airbus or an ANF file. Choose a program and the files to read anyway.' :
      '';
  }

  // The entries the chosen program reads, in order.
  function chosenEntries() {
    if (state.program === 'trevik') return state.entries.filter((e) => e.include);
    return state.airbusChoice ? [state.airbusChoice] : [];
  }

  function kindInWords(kind) {
    if (kind === undefined) return 'looking…';
    if (kind === 'anf') return 'ANF';
    if (kind === 'airbus') return 'Airbus';
    if (kind && kind.unreadable !== undefined) return 'cannot be read';
    return 'neither';
  }

  // Why an entry is or is not converted, in words.
  function statusOf(entry) {
    if (entry.kind === undefined) return '';
    if (entry.kind && entry.kind.unreadable !== undefined) {
      return `cannot be read (${entry.kind.unreadable}); pick it again`;
    }
    const chosen = chosenEntries();
    const position = chosen.indexOf(entry);
    if (position >= 0) {
      if (state.program === 'trevik') return `converted, ${ordinal(position + 1)}`;
      return 'converted';
    }
    if (state.program === 'trevik') {
      if (entry.kind === 'airbus') return 'not converted: not an ANF file (converter reads it)';
      if (entry.kind === 'anf') return 'not converted: left out by you';
      return 'not converted: neither an Airbus nor an ANF file';
    }
    if (entry.kind === 'airbus') return 'not converted: only one Airbus file is converted';
    if (entry.kind === 'anf') return 'not converted: not an Airbus file (trevik reads it)';
    return 'not converted: neither an Airbus nor an ANF file';
  }

  function ordinal(n) {
    const tens = n % 100;
    const suffix = tens >= 11 && tens <= 13 ? 'th' : ['th', 'st', 'nd', 'rd'][n % 10] || 'th';
    return `${n}${suffix}`;
  }

  // Draws the list of files and the program choice from state.
  function renderFiles() {
    const entries = state.entries;
    ui.fileTable.hidden = entries.length === 0;
    ui.programChoice.hidden = entries.length === 0 || entries.some((e) => e.kind === undefined);
    for (const radio of ui.programChoice.querySelectorAll('input')) radio.checked = radio.value === state.program;
    const focused = document.activeElement && document.activeElement.dataset.focusKey;
    ui.fileRows.replaceChildren(...entries.map(fileRow));
    if (focused) {
      const again = ui.fileRows.querySelector(`[data-focus-key="${CSS.escape(focused)}"]`);
      if (again && !again.disabled) again.focus();
    }
    ui.fileTable.querySelector('caption').textContent = state.program === 'converter' ?
      'Files; converter reads the one chosen' : 'Files, in the order trevik reads them';
    const total = chosenEntries().reduce((sum, e) => sum + e.file.size, 0);
    if (total >= kLimitBytes) {
      ui.filesNote.textContent = `The files to convert total ${bytesInWords(total)}: the page converts ` +
          'less than 4 GiB at once, as the engine counts bytes in 32 bits. Convert fewer files at once, ' +
          'or use the programs on this computer.';
    }
    updateConvertButton();
  }

  function fileRow(entry, index) {
    const row = document.createElement('tr');
    row.draggable = true;
    row.dataset.index = String(index);
    const name = entry.file.name;
    const pick = element('td');
    if (state.program === 'converter') {
      const radio = element('input');
      radio.type = 'radio';
      radio.name = 'airbus-file';
      radio.checked = state.airbusChoice === entry;
      radio.setAttribute('aria-label', `Convert ${name}`);
      radio.dataset.focusKey = `pick-${index}`;
      radio.addEventListener('change', () => { state.airbusChoice = entry; renderFiles(); });
      pick.append(radio);
    } else {
      const box = element('input');
      box.type = 'checkbox';
      box.checked = entry.include;
      box.setAttribute('aria-label', `Convert ${name}`);
      box.dataset.focusKey = `pick-${index}`;
      box.addEventListener('change', () => { entry.include = box.checked; renderFiles(); });
      pick.append(box);
    }
    const order = element('td', undefined, 'order');
    order.append(moveButton('Move up', index, -1, name), moveButton('Move down', index, 1, name));
    row.append(pick, element('td', name, 'name'), element('td', bytesInWords(entry.file.size)),
        element('td', kindInWords(entry.kind)), element('td', statusOf(entry)), order);
    return row;
  }

  function moveButton(label, index, step, name) {
    const button = element('button', step < 0 ? '↑' : '↓');
    button.type = 'button';
    button.setAttribute('aria-label', `${label} ${name}`);
    button.title = `${label} ${name}`;
    button.dataset.focusKey = `${label}-${index + step}`;
    button.disabled = index + step < 0 || index + step >= state.entries.length;
    button.addEventListener('click', () => moveEntry(index, index + step));
    return button;
  }

  // Moves one entry of the list to another place; the order is trevik's.
  function moveEntry(from, to) {
    if (to < 0 || to >= state.entries.length || from === to) return;
    const [entry] = state.entries.splice(from, 1);
    state.entries.splice(to, 0, entry);
    renderFiles();
  }

  // Rows move with the mouse too: drag a row onto another.
  function watchRowDragging() {
    let dragged = null;
    ui.fileRows.addEventListener('dragstart', (event) => {
      const row = event.target.closest('tr');
      if (!row) return;
      dragged = Number(row.dataset.index);
      event.dataTransfer.effectAllowed = 'move';
      event.dataTransfer.setData('text/plain', row.querySelector('.name').textContent);
    });
    ui.fileRows.addEventListener('dragover', (event) => {
      if (dragged === null) return;
      event.preventDefault();
      event.stopPropagation();
    });
    ui.fileRows.addEventListener('drop', (event) => {
      if (dragged === null) return;
      event.preventDefault();
      event.stopPropagation();
      const row = event.target.closest('tr');
      if (row) moveEntry(dragged, Number(row.dataset.index));
      dragged = null;
    });
    ui.fileRows.addEventListener('dragend', () => { dragged = null; });
  }

  // Files dropped anywhere on the page replace the list.
  function watchFileDrops() {
    const hasFiles = (event) => event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files');
    document.addEventListener('dragover', (event) => {
      if (!hasFiles(event)) return;
      event.preventDefault();
      event.dataTransfer.dropEffect = state.conversion ? 'none' : 'copy';
      document.body.classList.add('dropping');
    });
    document.addEventListener('dragleave', (event) => {
      if (event.relatedTarget === null) document.body.classList.remove('dropping');
    });
    document.addEventListener('drop', (event) => {
      document.body.classList.remove('dropping');
      if (!hasFiles(event)) return;
      event.preventDefault();
      if (!state.conversion) takeFiles(event.dataTransfer.files);
    });
  }

  function updateConvertButton() {
    const chosen = chosenEntries();
    const total = chosen.reduce((sum, e) => sum + e.file.size, 0);
    ui.convert.disabled = !state.module || Boolean(state.conversion) || chosen.length === 0 ||
        total >= kLimitBytes || state.entries.some((e) => e.kind === undefined);
  }

  // ---- A conversion --------------------------------------------------------

  // The command line of the chosen program: names only, as findings show them.
  function commandLine(entries) {
    const args = [state.program, '--diagnostics=json'];
    if (ui.check.checked) args.push('--check');
    if (ui.strict.checked) args.push('--strict');
    return args.concat('--', entries.map((e) => e.file.name));
  }

  // Starts a conversion in a new worker (so a new engine instance); the page
  // stays free while it runs.
  function startConversion() {
    const entries = chosenEntries();
    const total = entries.reduce((sum, e) => sum + e.file.size, 0);
    if (!entries.length || total >= kLimitBytes || state.conversion) return;
    clearResults();
    const worker = newWorker();
    state.conversion = {worker, total};
    setBusy(true, total);
    showOutcome([paragraph(`Converting ${plural(entries.length, 'file', 'files')} with ${state.program}…`)]);
    worker.onmessage = (event) => onConversionMessage(worker, event.data);
    worker.onerror = (event) => {
      event.preventDefault();
      finishConversion(worker, {type: 'failed', message: event.message || 'the engine stopped'});
    };
    worker.postMessage({type: 'convert', id: 1, args: commandLine(entries), files: entries.map((e) => e.file),
                        store: kStoreName});
  }

  function onConversionMessage(worker, message) {
    if (!state.conversion || state.conversion.worker !== worker) return;
    if (message.type === 'progress') return showProgress(message.read, message.total);
    if (message.type === 'converted' || message.type === 'failed') finishConversion(worker, message);
  }

  function finishConversion(worker, message) {
    if (!state.conversion || state.conversion.worker !== worker) return;
    worker.terminate();  // the next conversion gets a fresh engine
    state.conversion = null;
    setBusy(false);
    if (message.type === 'failed') {
      showOutcome([paragraph(message.trapped ? 'Out of memory.' :
          `The conversion stopped: ${message.message}. Nothing was saved.`, 'problem')]);
      return;
    }
    showResult(message);
    (ui.downloadApb.hidden ? ui.convert : ui.downloadApb).focus();
  }

  function cancelConversion() {
    if (!state.conversion) return;
    state.conversion.worker.terminate();
    state.conversion = null;
    setBusy(false);
    showOutcome([paragraph('Conversion cancelled. Nothing was saved.')]);
    ui.convert.focus();
  }

  function setBusy(busy, total) {
    ui.cancel.disabled = !busy;
    ui.fileInput.disabled = busy;
    for (const control of document.querySelectorAll('#program-choice input, #file-rows input, #file-rows button, .switches input')) {
      control.disabled = busy;
    }
    if (!busy) renderFiles();  // draws the move buttons' own states again
    ui.progressLine.hidden = !busy || total < kProgressFromBytes;
    ui.progress.value = 0;
    ui.progressText.textContent = '';
    updateConvertButton();
    if (busy) ui.cancel.focus();
  }

  function showProgress(read, total) {
    ui.progress.max = total || 1;
    ui.progress.value = read;
    ui.progressText.textContent = `${bytesInWords(read)} of ${bytesInWords(total)}`;
  }

  // Forgets the last conversion's outcome and releases its downloads.
  function clearResults() {
    if (state.apbUrl) URL.revokeObjectURL(state.apbUrl);
    if (state.reportUrl) URL.revokeObjectURL(state.reportUrl);
    state.apbUrl = null;
    state.reportUrl = null;
    state.report = '';
    ui.downloadApb.hidden = true;
    ui.downloadApb.removeAttribute('href');
    ui.downloadReport.hidden = true;
    ui.outcome.removeAttribute('data-wasm-memory');
    ui.findingsSection.hidden = true;
    ui.context.hidden = true;
    setFindings([], null);
  }

  function showOutcome(nodes) {
    ui.outcome.replaceChildren(...nodes);
  }

  // Reads the JSON lines of a run; a line that is not JSON is kept as text.
  function parseDiagnostics(text) {
    const objects = [];
    for (const line of text.split('\n')) {
      if (!line) continue;
      try {
        objects.push(JSON.parse(line));
      } catch {
        objects.push({type: 'text', message: line});
      }
    }
    return objects;
  }

  // Shows what a finished run did: the outcome in words, the summary, the
  // memory it took, the findings and the downloads.
  function showResult(result) {
    const objects = parseDiagnostics(result.diagnostics || '');
    const outcome = [...objects].reverse().find((o) => o.type === 'outcome') || null;
    const summary = objects.find((o) => o.type === 'summary') || null;
    const findings = objects.filter((o) => o.type === 'finding');
    const nodes = outcomeInWords(result, outcome, summary, objects);
    ui.outcome.dataset.wasmMemory = String(result.memoryBytes);
    nodes.push(paragraph(`The engine used ${mebibytes(result.memoryBytes)} of memory (${result.memoryBytes.toLocaleString('en')} bytes).`, 'memory'));
    showOutcome(nodes);

    state.report = result.diagnostics || '';
    ui.downloadReport.hidden = state.report === '';
    if (!result.trapped && outcome && outcome.outcome === 'written') {
      const apb = result.apb || new Blob([], {type: 'application/octet-stream'});
      state.apbUrl = URL.createObjectURL(apb);
      ui.downloadApb.href = state.apbUrl;
      ui.downloadApb.hidden = false;
    }
    setFindings(findings, summary);
  }

  function outcomeInWords(result, outcome, summary, objects) {
    const nodes = [];
    const say = (text, className) => nodes.push(paragraph(text, className));
    if (result.trapped || (outcome && outcome.reason === 'memory') ||
        objects.some((o) => o.type === 'error' && o.error === 'out-of-memory')) {
      say('Out of memory.', 'problem');
      say('The engine ran out of memory; nothing was saved. Convert fewer or smaller files at once.');
      return nodes;
    }
    for (const error of objects.filter((o) => o.type === 'error')) {
      if (error.error === 'cannot-open') {
        say(`Cannot read "${error.file}": ${error.reason}.`, 'problem');
        say('If the file changed or moved after it was picked, pick it again.');
      } else {
        say(error.message, 'problem');
      }
    }
    for (const text of objects.filter((o) => o.type === 'text' || o.type === 'usage')) say(text.message, 'problem');
    if (summary) say(summaryInWords(summary));
    if (!outcome) {
      say('The conversion ended without an outcome. Nothing was saved.', 'problem');
      return nodes;
    }
    switch (outcome.outcome) {
      case 'written':
        say(`APB is ready: ${bytesInWords(result.apbBytes)}.`, 'good');
        break;
      case 'checked':
        say(outcome.exit_code === 0 ? 'Read only: nothing to report, and no APB was made.' :
          'Read only: the files hold findings (below); no APB was made.');
        break;
      case 'nothing-to-write':
        say('Not a valid file.', 'problem');
        say('No file holds an airport, so there is no APB.');
        break;
      case 'failed':
        if (outcome.reason === 'strict') {
          say('No APB: something was found (below), and "No APB when anything was found" is on.', 'problem');
        } else if (outcome.reason === 'input') {
          if (!objects.some((o) => o.type === 'error')) say('A file could not be read.', 'problem');
          say('No APB was made.');
        } else {
          say(`The conversion failed${outcome.message ? `: ${outcome.message}` : ''}. No APB was made.`, 'problem');
        }
        break;
      default:
        say(outcome.message || outcome.outcome);
    }
    say(`Exit code ${outcome.exit_code}, as the ${outcome.program} program's.`, 'exit-code');
    return nodes;
  }

  function summaryInWords(summary) {
    return `Read ${plural(summary.airports, 'airport', 'airports')}, ${plural(summary.runways, 'runway', 'runways')} ` +
        `and ${plural(summary.obstacles, 'obstacle', 'obstacles')}; ` +
        `${plural(summary.left_out, 'airport', 'airports')} left out.`;
  }

  function downloadReport() {
    if (!state.report) return;
    if (!state.reportUrl) {
      state.reportUrl = URL.createObjectURL(new Blob([state.report], {type: 'application/x-ndjson'}));
    }
    const link = element('a');
    link.href = state.reportUrl;
    link.download = 'APB-report.jsonl';
    document.body.append(link);
    link.click();
    link.remove();
  }

  // ---- Findings ------------------------------------------------------------

  const table = {
    all: [],           // every finding, in the order of the JSON lines
    view: [],          // those shown, filtered and sorted
    hiddenKinds: new Set(),
    sortColumn: null,  // null: the order of the JSON lines
    descending: false,
    selected: null,    // the selected finding
    drawn: {first: -1, last: -1, length: -1},
  };

  // Takes a run's findings and draws the filter and the table anew.
  function setFindings(findings, summary) {
    findings.forEach((finding, i) => { finding.order = i; });
    table.all = findings;
    table.hiddenKinds.clear();
    table.selected = null;
    table.sortColumn = null;
    table.descending = false;
    ui.findingsSection.hidden = findings.length === 0;
    renderKindFilter(summary);
    updateView();
  }

  // Per kind: the findings listed, and all of them as the summary counts
  // them (a run lists at most 50 per kind and file).
  function renderKindFilter(summary) {
    const listed = new Map();
    for (const finding of table.all) listed.set(finding.kind, (listed.get(finding.kind) || 0) + 1);
    const totals = new Map();
    for (const file of (summary && summary.files) || []) {
      for (const [kind, count] of Object.entries(file.findings)) totals.set(kind, (totals.get(kind) || 0) + count);
    }
    const boxes = [];
    for (const [kind, count] of listed) {
      const label = element('label');
      const box = element('input');
      box.type = 'checkbox';
      box.checked = true;
      box.addEventListener('change', () => {
        if (box.checked) table.hiddenKinds.delete(kind); else table.hiddenKinds.add(kind);
        updateView();
      });
      const total = totals.get(kind);
      const more = total > count ? ` listed of ${total.toLocaleString('en')}` : '';
      label.append(box, ` ${kind}: ${count.toLocaleString('en')}${more}`);
      boxes.push(label);
    }
    ui.kindBoxes.replaceChildren(...boxes);
  }

  function compareFindings(column) {
    const text = (v) => (v === null || v === undefined ? '' : String(v));
    if (column === 'line') return (a, b) => (a.line ?? 0) - (b.line ?? 0) || a.order - b.order;
    return (a, b) => {
      const x = text(a[column]);
      const y = text(b[column]);
      return (x < y ? -1 : x > y ? 1 : 0) || a.order - b.order;
    };
  }

  // Filters and sorts the findings, then redraws the rows in view.
  function updateView() {
    let view = table.all.filter((f) => !table.hiddenKinds.has(f.kind));
    if (table.sortColumn) {
      view.sort(compareFindings(table.sortColumn));
      if (table.descending) view.reverse();
    }
    table.view = view;
    const shown = view.length === table.all.length ? '' : `; ${view.length.toLocaleString('en')} shown`;
    ui.findingsCount.textContent = `${plural(table.all.length, 'finding', 'findings')} listed${shown}.`;
    ui.findingsTable.setAttribute('aria-rowcount', String(view.length + 1));
    for (const th of ui.findingsTable.querySelectorAll('th[data-column]')) {
      const sorted = th.dataset.column === table.sortColumn;
      if (sorted) th.setAttribute('aria-sort', table.descending ? 'descending' : 'ascending');
      else th.removeAttribute('aria-sort');
    }
    table.drawn = {first: -1, last: -1, length: -1};
    drawRows();
  }

  // A header's button: ascending, then descending, then the order of the JSON lines.
  function sortBy(column) {
    if (table.sortColumn !== column) {
      table.sortColumn = column;
      table.descending = false;
    } else if (!table.descending) {
      table.descending = true;
    } else {
      table.sortColumn = null;
      table.descending = false;
    }
    updateView();
  }

  // Draws only the rows in view (and a margin): tens of thousands of
  // findings stay quick. Spacer rows keep the scroll height true.
  function drawRows() {
    const view = table.view;
    const scroller = ui.findingsScroll;
    const headHeight = ui.findingsTable.tHead.offsetHeight + (ui.findingsTable.caption ? ui.findingsTable.caption.offsetHeight : 0);
    const top = Math.max(0, scroller.scrollTop - headHeight);
    const first = Math.max(0, Math.floor(top / kRowHeight) - kOverscanRows);
    const visible = Math.ceil((scroller.clientHeight || 600) / kRowHeight);
    const last = Math.min(view.length, first + visible + 2 * kOverscanRows);
    const drawn = table.drawn;
    if (drawn.first === first && drawn.last === last && drawn.length === view.length) return;
    table.drawn = {first, last, length: view.length};
    const focusedOrder = focusedFindingOrder();
    const rows = [];
    if (first > 0) rows.push(spacerRow(first));
    for (let i = first; i < last; i++) rows.push(findingRow(view[i], i));
    if (last < view.length) rows.push(spacerRow(view.length - last));
    ui.findingRows.replaceChildren(...rows);
    if (focusedOrder !== null) {
      const again = ui.findingRows.querySelector(`button[data-order="${focusedOrder}"]`);
      if (again) again.focus({preventScroll: true});
    }
  }

  function focusedFindingOrder() {
    const active = document.activeElement;
    return active && active.dataset && active.dataset.order !== undefined && ui.findingRows.contains(active) ?
      active.dataset.order : null;
  }

  function spacerRow(count) {
    const row = element('tr', undefined, 'spacer');
    row.setAttribute('aria-hidden', 'true');
    const cell = element('td');
    cell.colSpan = 5;
    row.style.height = `${count * kRowHeight}px`;
    row.append(cell);
    return row;
  }

  function findingRow(finding, index) {
    const row = element('tr');
    row.setAttribute('aria-rowindex', String(index + 2));
    if (finding === table.selected) {
      row.classList.add('selected');
      row.setAttribute('aria-selected', 'true');
    }
    const lineCell = element('td', undefined, 'line');
    const button = element('button', finding.line === null ? 'whole file' : String(finding.line));
    button.type = 'button';
    button.dataset.order = String(finding.order);
    button.setAttribute('aria-label', finding.line === null ? `${finding.file}, whole file` :
      `Show lines around ${finding.file} line ${finding.line}`);
    lineCell.append(button);
    const airport = finding.airport === null || finding.airport === undefined ? '' : finding.airport;
    const messageCell = element('td', finding.message, 'message');
    messageCell.title = finding.message;
    row.append(element('td', finding.file, 'file'), lineCell, element('td', finding.kind, 'kind'),
        element('td', airport, 'airport'), messageCell);
    return row;
  }

  // Selects the finding at index of the view, keeps it in view and focused.
  function selectAt(index) {
    if (index < 0 || index >= table.view.length) return;
    const finding = table.view[index];
    table.selected = finding;
    const headHeight = ui.findingsTable.tHead.offsetHeight + ui.findingsTable.caption.offsetHeight;
    const rowTop = headHeight + index * kRowHeight;
    const scroller = ui.findingsScroll;
    if (rowTop - ui.findingsTable.tHead.offsetHeight < scroller.scrollTop + headHeight) {
      scroller.scrollTop = Math.max(0, rowTop - ui.findingsTable.tHead.offsetHeight - headHeight);
    } else if (rowTop + kRowHeight > scroller.scrollTop + scroller.clientHeight) {
      scroller.scrollTop = rowTop + kRowHeight - scroller.clientHeight;
    }
    table.drawn = {first: -1, last: -1, length: -1};
    drawRows();
    const button = ui.findingRows.querySelector(`button[data-order="${finding.order}"]`);
    if (button) button.focus({preventScroll: true});
    showContext(finding);
  }

  function watchFindingsTable() {
    ui.findingsScroll.addEventListener('scroll', () => requestAnimationFrame(drawRows), {passive: true});
    window.addEventListener('resize', () => { table.drawn.first = -1; drawRows(); });
    for (const th of ui.findingsTable.querySelectorAll('th[data-column]')) {
      th.querySelector('button').addEventListener('click', () => sortBy(th.dataset.column));
    }
    ui.findingRows.addEventListener('click', (event) => {
      const row = event.target.closest('tr');
      const button = row && row.querySelector('button[data-order]');
      if (button) selectAt(indexOfOrder(Number(button.dataset.order)));
    });
    ui.findingRows.addEventListener('keydown', (event) => {
      const order = focusedFindingOrder();
      if (order === null) return;
      const index = indexOfOrder(Number(order));
      const steps = {ArrowDown: 1, ArrowUp: -1, PageDown: 10, PageUp: -10};
      if (event.key in steps) {
        event.preventDefault();
        selectAt(Math.min(table.view.length - 1, Math.max(0, index + steps[event.key])));
      } else if (event.key === 'Home' || event.key === 'End') {
        event.preventDefault();
        selectAt(event.key === 'Home' ? 0 : table.view.length - 1);
      }
    });
  }

  function indexOfOrder(order) {
    return table.view.findIndex((f) => f.order === order);
  }

  // Shows the lines of the input around a finding, read by the engine as it
  // cuts lines.
  async function showContext(finding) {
    ui.context.hidden = false;
    ui.contextLines.replaceChildren();
    const entry = state.entries.find((e) => e.file.name === finding.file && chosenEntries().includes(e)) ||
        state.entries.find((e) => e.file.name === finding.file);
    if (finding.line === null || !entry) {
      ui.contextAbout.textContent = finding.line === null ?
        `${finding.file}: ${finding.message} (the whole file).` : `${finding.file} is no longer in the list.`;
      return;
    }
    ui.contextAbout.textContent = `${finding.file}, line ${finding.line}: ${finding.message}`;
    const first = Math.max(1, finding.line - kContextLines);
    const answer = await askHelper({type: 'lines', file: entry.file, first, count: finding.line + kContextLines - first + 1});
    if (table.selected !== finding) return;
    if (!answer.lines) {
      ui.contextLines.textContent = `The lines cannot be read: ${answer.error || answer.message}.`;
      return;
    }
    ui.contextLines.replaceChildren(...answer.lines.map((line) => contextLine(line, line.line === finding.line)));
  }

  function contextLine(line, isFinding) {
    const text = line.text.length > kLongLine ?
      `${line.text.slice(0, kLongLine)} … (${(line.text.length - kLongLine).toLocaleString('en')} more characters)` :
      line.text;
    return element(isFinding ? 'mark' : 'span', `${String(line.line).padStart(7)}  ${text}`);
  }

  // ---- Start ---------------------------------------------------------------

  function watchControls() {
    ui.fileInput.addEventListener('change', () => takeFiles(ui.fileInput.files));
    for (const radio of ui.programChoice.querySelectorAll('input')) {
      radio.addEventListener('change', () => { state.program = radio.value; renderFiles(); });
    }
    ui.convert.addEventListener('click', startConversion);
    ui.cancel.addEventListener('click', cancelConversion);
    ui.downloadReport.addEventListener('click', downloadReport);
    window.addEventListener('beforeunload', (event) => {
      if (!state.conversion) return;
      event.preventDefault();
      event.returnValue = '';
    });
  }

  watchControls();
  watchFileDrops();
  watchRowDragging();
  watchFindingsTable();
  loadEngine();
})();
