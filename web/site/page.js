'use strict';
// The page around the demo module: loads the program (morvel.js, then
// morvel.wasm) and the content into the module's file system with a loading
// bar, decodes the soundtrack, and offers the start button, since browsers only
// start sound after a gesture. Everything is attached from here, with no inline
// script, so the page runs under script-src 'self' 'wasm-unsafe-eval'.
//   ?at=SECONDS  draws the single frame at that time (decimal, 0 to 60) with the
//                offline spectrum, as morvel-capture --at does, at 800 x 600;
//   ?size=WxH    draws at that 4:3 pixel size instead of the page's own (its
//                CSS box times devicePixelRatio), within the browser's limits.

// The audio library's mix rate: the soundtrack is decoded at it, so the
// spectrum sees the same samples as natively.
const kMixRateHz = 32000;
// How long the start button waits for the sound output to come up.
const kResumeWaitMs = 2000;
// The timeline's length, the last time a still may show.
const kLastSecond = 60;
// Stills are compared with morvel-capture's, which draws at this size.
const kStillSize = { width: 800, height: 600 };
// A download that receives nothing for stallMs is given up with a retry
// button. Tests shorten it through window.morvelSettings.
const settings = Object.assign({ stallMs: 30000 }, window.morvelSettings);

const page = {
  state: 'loading',      // loading, ready, playing, ended, still or failed
  module: null,
  wasm: null,            // morvel.wasm's bytes, kept for a retry
  audio: null,
  canvasSize: null,      // the pixel size the frames are drawn at
  runs: 0,
  endStatus: null,
  frameTimes: [],        // rAF timestamps while playing, for the benchmark
  startedAt: 0,
  firstFrameAt: 0,
  progressSeen: [],      // every fraction the bar showed, for the tests
};
window.morvelPage = page;

const ui = {};
for (const id of ['canvas', 'overlay', 'loading', 'bar', 'fill', 'percent', 'status', 'motion', 'start', 'retry',
                  'message', 'hint']) {
  ui[id] = document.getElementById(id);
}
const reducedMotion = window.matchMedia('(prefers-reduced-motion: reduce)');

// A failure to show on the page rather than an error of the page; retryable
// when trying again may help (a download, not a broken site).
class PageError extends Error {
  constructor(message, retryable) {
    super(message);
    this.retryable = retryable;
  }
}

const kPublishHint = 'The site is incomplete or from different builds: publish the whole folder ' +
  'build-web/out/site/ as scripts/web --build makes it.';
const kNetworkHint = 'Check the network connection and press Retry.';

function setState(state) {
  page.state = state;
  document.body.dataset.state = state;
}

function announce(text) {
  ui.status.textContent = text;
}

function showMessage(text) {
  ui.message.textContent = text;
  ui.message.hidden = false;
  ui.overlay.hidden = false;
}

function fail(text, retryable) {
  ui.loading.hidden = true;
  ui.start.hidden = true;
  ui.motion.hidden = true;
  ui.retry.hidden = !retryable;
  announce('');
  showMessage(text);
  setState('failed');
  if (retryable) ui.retry.focus();
}

// ?at= and ?size= (and ?watch, refused); throws a PageError for values the page does not take.
function readOptions() {
  const params = new URLSearchParams(location.search);
  const options = { stillAt: null, size: null };
  // A page cannot see the files it was served from change: watching needs the native demo.
  if (params.has('watch')) {
    throw new PageError('?watch is not available on the web: run the native demo with --rehearse --watch ' +
                        'to see files under data/ load again as they change.', false);
  }
  if (params.has('at')) {
    const text = params.get('at');
    // Decimal seconds only: Number() would also take '0x10', '1e9' or ' 5'.
    const seconds = /^(\d+(\.\d*)?|\.\d+)$/.test(text) ? Number(text) : NaN;
    if (!(seconds >= 0 && seconds <= kLastSecond)) {
      throw new PageError(`?at= wants a time in decimal seconds from 0 to ${kLastSecond}, such as ?at=35 or ` +
                          `?at=12.5, not "${text}".`, false);
    }
    options.stillAt = seconds;
  }
  if (params.has('size')) {
    const text = params.get('size');
    const match = /^(\d{1,5})x(\d{1,5})$/.exec(text);
    const width = match ? Number(match[1]) : 0, height = match ? Number(match[2]) : 0;
    if (!(width > 0 && width * 3 === height * 4)) {
      throw new PageError(`?size= wants a 4:3 pixel size such as ?size=1600x1200, not "${text}".`, false);
    }
    options.size = { width, height };
  }
  return options;
}

// The pixel size to ask the module for: the named one, the still size, or the
// canvas's CSS box times devicePixelRatio (the module fits it to 4:3 and to
// what the browser can draw).
function requestedSize(options) {
  if (options.size) return options.size;
  if (options.stillAt !== null) return kStillSize;
  const box = ui.canvas.getBoundingClientRect();
  const ratio = window.devicePixelRatio || 1;
  const width = Math.round(box.width * ratio), height = Math.round(box.height * ratio);
  return width > 0 && height > 0 ? { width, height } : kStillSize;
}

// The loading bar for one step (the program, then the content). It counts
// bytes where every file's size is known; where some are not (a chunked or
// compressed response) it counts files, each file that has a size counting
// by its bytes, so it moves as bytes arrive either way.
class Progress {
  constructor(label, paths) {
    this.label = label;
    this.files = paths.map((path) => ({ path, received: 0, expected: null, done: false }));
    this.shown = 0;
    announce(label + '…');
    this.show();
  }

  fraction() {
    const share = (f) => (f.done ? 1 : f.expected ? Math.min(1, f.received / f.expected) : 0);
    if (this.files.every((f) => f.expected !== null)) {
      const total = this.files.reduce((sum, f) => sum + f.expected, 0);
      if (total > 0) {
        return this.files.reduce((sum, f) => sum + (f.done ? f.expected : Math.min(f.received, f.expected)), 0) /
          total;
      }
    }
    return this.files.reduce((sum, f) => sum + share(f), 0) / this.files.length;
  }

  // The bar never moves back, though the estimate may when a size turns up.
  show() {
    this.shown = Math.max(this.shown, this.fraction());
    const fraction = this.shown;
    const percent = Math.floor(fraction * 100);
    const sized = this.files.every((f) => f.expected !== null);
    const done = this.files.filter((f) => f.done).length;
    const text = sized ? `${percent} %` : `${done} of ${this.files.length} files`;
    ui.fill.style.width = (fraction * 100).toFixed(1) + '%';
    ui.percent.textContent = text;
    ui.bar.setAttribute('aria-valuenow', String(percent));
    ui.bar.setAttribute('aria-valuetext', `${this.label}: ${text}`);
    if (page.progressSeen.length < 10000) page.progressSeen.push({ step: this.label, fraction, text });
  }

  unfinished() {
    return this.files.filter((f) => !f.done).map((f) => f.path);
  }
}

// The size a response's body will have once read, where the server says: a
// compressed response's Content-Length counts the compressed bytes instead.
function expectedSize(response) {
  const length = response.headers.get('Content-Length');
  const encoding = response.headers.get('Content-Encoding');
  if (length === null || (encoding && encoding !== 'identity')) return null;
  const size = Number(length);
  return Number.isSafeInteger(size) && size >= 0 ? size : null;
}

// Reads one file through fetch, reporting to its entry in progress.
async function fetchFile(entry, signal, touch, progress) {
  const { path } = entry;
  let response;
  try {
    response = await fetch(path, { signal });
  } catch (error) {
    throw new PageError(`Could not download ${path} (${error.message}). ${kNetworkHint}`, true);
  }
  if (!response.ok) {
    throw new PageError(`Could not load ${path}: the server answered ${response.status} ${response.statusText}. ` +
                        kPublishHint, true);
  }
  entry.expected = expectedSize(response);
  touch();
  progress.show();
  const reader = response.body.getReader();
  const chunks = [];
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      entry.received += value.length;
      touch();
      progress.show();
    }
  } catch (error) {
    throw new PageError(`The download of ${path} was interrupted (${error.message}). ${kNetworkHint}`, true);
  }
  if (entry.expected !== null && entry.received !== entry.expected) {
    throw new PageError(`The download of ${path} was interrupted after ${entry.received} of ${entry.expected} ` +
                        `bytes. ${kNetworkHint}`, true);
  }
  entry.done = true;
  progress.show();
  const bytes = new Uint8Array(entry.received);
  let offset = 0;
  for (const chunk of chunks) {
    bytes.set(chunk, offset);
    offset += chunk.length;
  }
  return { path, bytes };
}

// Downloads every file of one step at once. When nothing at all arrives for
// stallMs every download of the step is stopped and the page says which
// files were still missing.
async function download(label, paths) {
  const progress = new Progress(label, paths);
  const controller = new AbortController();
  let stalled = false;
  let timer = 0;
  const touch = () => {
    clearTimeout(timer);
    timer = setTimeout(() => {
      stalled = true;
      controller.abort();
    }, settings.stallMs);
  };
  touch();
  try {
    return await Promise.all(progress.files.map((entry) => fetchFile(entry, controller.signal, touch, progress)));
  } catch (error) {
    if (stalled) {
      const missing = progress.unfinished();
      const more = missing.length > 1 ? ` (and ${missing.length - 1} more)` : '';
      throw new PageError(`The download of ${missing[0]}${more} stalled: nothing arrived for ` +
                          `${Math.round(settings.stallMs / 1000)} s. ${kNetworkHint}`, true);
    }
    controller.abort();
    throw error;
  } finally {
    clearTimeout(timer);
  }
}

// Adds morvel.js to the page; resolves once it has defined createMorvel.
function loadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    const timer = setTimeout(() => {
      script.remove();
      reject(new PageError(`${src} did not arrive within ${Math.round(settings.stallMs / 1000)} s. ` +
                           kNetworkHint, true));
    }, settings.stallMs);
    script.addEventListener('load', () => {
      clearTimeout(timer);
      if (typeof window.createMorvel === 'function') {
        resolve();
      } else {
        reject(new PageError(`${src} loaded but is not the program's script. ${kPublishHint}`, true));
      }
    });
    script.addEventListener('error', () => {
      clearTimeout(timer);
      script.remove();
      reject(new PageError(`Could not load ${src}, the program's script. ${kPublishHint} ` +
                           'If the site is complete, check the network connection and press Retry.', true));
    });
    script.src = src;
    document.head.append(script);
  });
}

// Compiles the program from bytes the page downloaded itself, so that a
// missing, cut or wrong morvel.wasm is reported by name.
async function makeModule(wasm) {
  const magic = [0x00, 0x61, 0x73, 0x6d];
  if (wasm.length < 8 || magic.some((byte, i) => wasm[i] !== byte)) {
    const start = new TextDecoder().decode(wasm.subarray(0, 16)).replace(/[^\x20-\x7e]/g, '?');
    throw new PageError(`morvel.wasm is not a WebAssembly module (the server sent ${wasm.length} bytes ` +
                        `starting "${start}"). ${kPublishHint}`, true);
  }
  try {
    return await window.createMorvel({
      canvas: ui.canvas,
      wasmBinary: wasm,
      showMessage,
      onTimelineEnded,
      print: (text) => console.log(text),
      // The GL emulation announces itself on stderr; that is no problem of the page.
      printErr: (text) => (text.startsWith('WARNING: using emscripten GL') ? console.info : console.warn)(text),
    });
  } catch (error) {
    throw new PageError(`The program in morvel.wasm could not be started (${error.message || error}). ` +
                        kPublishHint, false);
  }
}

function writeFile(module, path, bytes) {
  const folder = path.substring(0, path.lastIndexOf('/'));
  if (folder) module.FS.mkdirTree(folder);
  module.FS.writeFile(path, bytes);
}

async function decodeTrack(bytes, path) {
  const decoder = new OfflineAudioContext(2, 1, kMixRateHz);
  try {
    return await decoder.decodeAudioData(bytes.slice().buffer);
  } catch (error) {
    throw new PageError(`Could not decode ${path} (${error && error.message}).`, false);
  }
}

function contentPaths(module) {
  const paths = [];
  for (let i = 0; i < module._morvel_content_count(); i++) {
    paths.push(module.UTF8ToString(module._morvel_content_path(i)));
  }
  return paths;
}

// The program, then the content, then the canvas and scenes; again on Retry,
// keeping what already arrived.
async function startPage() {
  setState('loading');
  ui.loading.hidden = false;
  ui.message.hidden = true;
  ui.retry.hidden = true;
  try {
    const options = readOptions();
    announce('Loading the program…');
    if (typeof window.createMorvel !== 'function') await loadScript('morvel.js');
    if (!page.wasm) page.wasm = (await download('Loading the program', ['morvel.wasm']))[0].bytes;
    if (!page.module) page.module = await makeModule(page.wasm);
    const module = page.module;
    const soundtrack = module.UTF8ToString(module._morvel_soundtrack_path());
    const files = await download('Loading the content', contentPaths(module));
    module.morvelTracks = {};
    for (const { path, bytes } of files) {
      writeFile(module, path, bytes);
      if (path === soundtrack) module.morvelTracks[path] = await decodeTrack(bytes, path);
    }
    announce('Preparing…');
    const size = requestedSize(options);
    if (!module._morvel_load(options.stillAt !== null ? 1 : 0, size.width, size.height) || !ui.message.hidden) {
      // The module said why on the page; a loader's message means the demo
      // would run without that file.
      fail(ui.message.textContent || 'The demo could not be prepared.', false);
      return;
    }
    page.canvasSize = { width: module._morvel_canvas_width(), height: module._morvel_canvas_height() };
    ui.loading.hidden = true;
    if (options.stillAt !== null) {
      module._morvel_render_still(options.stillAt);
      ui.overlay.hidden = true;
      setState('still');
      return;
    }
    setState('ready');
    offerStart('Start', 'Ready to start.');
  } catch (error) {
    if (!(error instanceof PageError)) console.error(error);
    fail(error.message || String(error), error instanceof PageError && error.retryable);
  }
}

// The start screen, with the reduced-motion notice where the system asks for it.
function offerStart(label, status) {
  ui.start.textContent = label;
  ui.start.hidden = false;
  ui.overlay.hidden = false;
  showMotionNotice();
  announce(status);
  ui.start.focus();
}

function showMotionNotice() {
  const show = reducedMotion.matches;
  ui.motion.hidden = !show;
  ui.start.setAttribute('aria-describedby', show ? 'motion hint' : 'hint');
}

async function startRun() {
  if (page.state !== 'ready' && page.state !== 'ended') return;
  if (!page.audio) {
    page.audio = new AudioContext();
    page.module.morvelAudio = page.audio;
  }
  // A browser without a usable sound device never finishes resuming; the
  // picture then runs silent rather than waiting on the start screen.
  await Promise.race([page.audio.resume(), new Promise((resolve) => setTimeout(resolve, kResumeWaitMs))]);
  if (page.audio.state !== 'running') console.info('morvel: no sound output; playing without sound');
  ui.overlay.hidden = true;
  ui.hint.hidden = true;
  ui.motion.hidden = true;
  page.runs += 1;
  page.frameTimes = [];
  page.startedAt = performance.now();
  page.firstFrameAt = 0;
  setState('playing');
  announce('Playing.');
  page.module._morvel_start();
  requestAnimationFrame(countFrame);
}

function countFrame(timestamp) {
  if (page.state !== 'playing') return;
  if (!page.firstFrameAt) page.firstFrameAt = performance.now();
  if (page.frameTimes.length < 20000) page.frameTimes.push(timestamp);
  requestAnimationFrame(countFrame);
}

function onTimelineEnded(status) {
  page.endStatus = status;
  setState('ended');
  offerStart('Play again', 'The demo has ended.');
}

ui.start.addEventListener('click', startRun);
ui.retry.addEventListener('click', startPage);
reducedMotion.addEventListener('change', () => {
  if (page.state === 'ready' || page.state === 'ended') showMotionNotice();
});
document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && page.state === 'playing') {
    page.module._morvel_escape();
  }
});
startPage();
