'use strict';
// The page around the demo module (morvel.js, built from web/): downloads the
// content into the module's file system with a loading bar, decodes the
// soundtrack, and offers the start button, since browsers only start sound
// after a gesture. ?at=SECONDS draws the single frame at that time with the
// offline spectrum, as morvel-capture --at does, for tests.

// The audio library's mix rate: the soundtrack is decoded at it, so the
// spectrum sees the same samples as natively.
const kMixRateHz = 32000;
// How long the start button waits for the sound output to come up.
const kResumeWaitMs = 2000;

const page = {
  state: 'loading',      // loading, ready, playing, ended, still or failed
  module: null,
  audio: null,
  runs: 0,
  endStatus: null,
  frameTimes: [],        // rAF timestamps while playing, for the benchmark
  startedAt: 0,
  firstFrameAt: 0,
};
window.morvelPage = page;

const ui = {};
for (const id of ['overlay', 'loading', 'fill', 'status', 'start', 'message', 'hint']) {
  ui[id] = document.getElementById(id);
}

// A download or decoding failure: shown on the page, not an error of the page.
class ContentError extends Error {}

function setState(state) {
  page.state = state;
  document.body.dataset.state = state;
}

function showMessage(text) {
  ui.message.textContent = text;
  ui.message.hidden = false;
  ui.overlay.hidden = false;
}

function fail(text) {
  ui.loading.hidden = true;
  ui.start.hidden = true;
  showMessage(text);
  setState('failed');
}

function showProgress(done, total) {
  const fraction = total > 0 ? Math.min(1, done / total) : 0;
  ui.fill.style.width = (fraction * 100).toFixed(1) + '%';
  ui.status.textContent = 'Loading… ' + Math.round(fraction * 100) + ' %';
}

// Downloads every file, all at once, reporting bytes against the sum of the
// announced sizes. Throws with the first file that cannot be had.
async function download(paths) {
  const responses = await Promise.all(paths.map(async (path) => {
    let response;
    try {
      response = await fetch(path);
    } catch (error) {
      throw new ContentError('Could not download ' + path + ' (' + error.message + ').');
    }
    if (!response.ok) {
      throw new ContentError('Could not load ' + path + ': the server answered ' + response.status + ' ' +
                      response.statusText + '.');
    }
    return response;
  }));
  const total = responses.reduce((sum, r) => sum + Number(r.headers.get('Content-Length') || 0), 0);
  let done = 0;
  return Promise.all(responses.map(async (response, i) => {
    const reader = response.body.getReader();
    const chunks = [];
    for (;;) {
      const { done: finished, value } = await reader.read();
      if (finished) break;
      chunks.push(value);
      done += value.length;
      showProgress(done, total);
    }
    const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
    let offset = 0;
    for (const chunk of chunks) {
      bytes.set(chunk, offset);
      offset += chunk.length;
    }
    return { path: paths[i], bytes };
  }));
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
    throw new ContentError('Could not decode ' + path + ' (' + (error && error.message) + ').');
  }
}

function contentPaths(module) {
  const paths = [];
  for (let i = 0; i < module._morvel_content_count(); i++) {
    paths.push(module.UTF8ToString(module._morvel_content_path(i)));
  }
  return paths;
}

async function startPage() {
  const params = new URLSearchParams(location.search);
  const stillAt = params.has('at') ? Number(params.get('at')) : null;
  if (stillAt !== null && !(Number.isFinite(stillAt) && params.get('at').trim() !== '')) {
    fail('?at= wants a time in seconds, such as ?at=35.');
    return;
  }
  try {
    const module = await createMorvel({
      canvas: document.getElementById('canvas'),
      showMessage,
      onTimelineEnded,
      print: (text) => console.log(text),
      // The GL emulation announces itself on stderr; that is no problem of the page.
      printErr: (text) => (text.startsWith('WARNING: using emscripten GL') ? console.info : console.warn)(text),
    });
    page.module = module;
    const soundtrack = module.UTF8ToString(module._morvel_soundtrack_path());
    const files = await download(contentPaths(module));
    module.morvelTracks = {};
    for (const { path, bytes } of files) {
      writeFile(module, path, bytes);
      if (path === soundtrack) module.morvelTracks[path] = await decodeTrack(bytes, path);
    }
    ui.status.textContent = 'Preparing…';
    if (!module._morvel_load(stillAt !== null ? 1 : 0)) {
      setState('failed');
      return;
    }
    if (!ui.message.hidden) {
      // A loader reported a problem on the page; the demo would run without that file.
      setState('failed');
      return;
    }
    ui.loading.hidden = true;
    if (stillAt !== null) {
      module._morvel_render_still(stillAt);
      ui.overlay.hidden = true;
      setState('still');
      return;
    }
    ui.start.hidden = false;
    ui.start.focus();
    setState('ready');
  } catch (error) {
    if (!(error instanceof ContentError)) console.error(error);
    fail(error.message || String(error));
  }
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
  page.runs += 1;
  page.frameTimes = [];
  page.startedAt = performance.now();
  page.firstFrameAt = 0;
  setState('playing');
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
  ui.start.textContent = 'Play again';
  ui.start.hidden = false;
  ui.overlay.hidden = false;
  setState('ended');
  ui.start.focus();
}

ui.start.addEventListener('click', startRun);
document.addEventListener('keydown', (event) => {
  if (event.key === 'Escape' && page.state === 'playing') {
    page.module._morvel_escape();
  }
});
