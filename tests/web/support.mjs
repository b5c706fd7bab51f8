// What the browser tests and the benchmark share: a static server for the
// built site on 127.0.0.1 (one port per run, stopped afterwards), Debian's
// Chromium launched headless with a fresh profile, and PNG pixel access in the
// page itself, so no image library is needed in node.
import { createServer } from 'node:http';
import { gzipSync } from 'node:zlib';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { chromium } from 'playwright-core';

const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.mp3': 'audio/mpeg', '.ebr': 'application/octet-stream',
};

// The policy a strict host sends: the page must work without inline scripts,
// eval or script from elsewhere.
export const kStrictPolicy = "script-src 'self' 'wasm-unsafe-eval'";

// Serves root under kStrictPolicy; paths in hidden answer 404, extra maps URL
// paths to other files, and files under data/ are held back delayMs, as over a
// slow line. rules (changeable while serving, keyed by path without the
// leading slash) make one file misbehave as a network can:
//   holdMs         wait that long before the headers
//   body           send these bytes instead of the file
//   chunked        send no Content-Length (chunked transfer)
//   gzip           compress, with Content-Encoding and the compressed length
//   trickle        { bytes, everyMs }: send the body in pieces
//   stallAfter     send that many bytes, then nothing while the server runs
//   cutAfter       send that many bytes, then drop the connection
// requests lists every path asked for, in order.
export async function startServer(root, { hidden = [], extra = {}, delayMs = 0, rules = {} } = {}) {
  const requests = [];
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const relative = normalize(path === '/' ? '/index.html' : path).replace(/^\/+/, '');
    requests.push(relative);
    const file = extra['/' + relative] || join(root, relative);
    const rule = rules[relative] || {};
    if (delayMs > 0 && relative.startsWith('data/')) await sleep(delayMs);
    if (rule.holdMs) await sleep(rule.holdMs);
    if (relative.startsWith('..') || hidden.includes(relative)) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
      return;
    }
    let bytes;
    try {
      if (rule.body === undefined && !statSync(file).isFile()) throw new Error('not a file');
      bytes = rule.body !== undefined ? Buffer.from(rule.body) : readFileSync(file);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
      return;
    }
    const headers = { 'Content-Type': kTypes[extname(file)] || 'application/octet-stream',
                      'Cache-Control': 'no-store', 'Content-Security-Policy': kStrictPolicy };
    if (rule.gzip) {
      bytes = gzipSync(bytes);
      headers['Content-Encoding'] = 'gzip';
    }
    if (!rule.chunked) headers['Content-Length'] = bytes.length;
    response.writeHead(200, headers);
    await sendBody(response, bytes, rule);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    url, rules, requests,
    close: () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }),
  };
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function sendBody(response, bytes, rule) {
  const limit = rule.stallAfter ?? rule.cutAfter ?? bytes.length;
  const piece = rule.trickle ? rule.trickle.bytes : Math.max(1, limit);
  for (let offset = 0; offset < Math.min(limit, bytes.length); offset += piece) {
    if (response.destroyed) return;
    response.write(bytes.subarray(offset, Math.min(offset + piece, limit)));
    if (rule.trickle) await sleep(rule.trickle.everyMs);
  }
  if (rule.cutAfter !== undefined) {
    // Let the bytes leave before the connection drops.
    await sleep(50);
    response.destroy();
  } else if (rule.stallAfter === undefined) {
    response.end();
  }
}

// Headless Chromium that draws WebGL with SwiftShader and plays sound without
// a gesture requirement getting in the way of automation. deviceScaleFactor
// sets devicePixelRatio.
export async function launchChromium({ viewport = { width: 1000, height: 600 }, deviceScaleFactor = 1 } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'morvel-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.MORVEL_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport,
    deviceScaleFactor,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
           '--autoplay-policy=no-user-gesture-required', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-first-run',
           '--disable-renderer-backgrounding', '--disable-background-timer-throttling'],
  });
  return {
    context: browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A page that records console errors and warnings, uncaught exceptions and
// anything the content security policy blocked.
export async function openPage(context) {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      problems.push(`${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
  await page.exposeFunction('morvelTestViolation', (text) => problems.push('blocked by the policy: ' + text));
  await page.addInitScript(() => {
    document.addEventListener('securitypolicyviolation', (event) => {
      window.morvelTestViolation(`${event.violatedDirective} ${event.blockedURI || ''} line ${event.lineNumber}`);
    });
  });
  return { page, problems };
}

// Waits until the page's state (body data-state) is one of states.
export async function waitForState(page, states, timeoutMs) {
  await page.waitForFunction((wanted) => wanted.includes(document.body.dataset.state), states,
                             { timeout: timeoutMs, polling: 100 });
  return page.evaluate(() => document.body.dataset.state);
}

// Compares the page's canvas with a PNG served at referenceUrl, both as RGB
// bytes: mean absolute difference in levels and the share of pixels whose
// every channel is within `within` levels. With factor above 1 the canvas is
// first shrunk by that whole factor with a box filter (each block's mean).
export async function compareCanvas(page, referenceUrl, within, factor = 1) {
  return page.evaluate(async ({ referenceUrl, within, factor }) => {
    const canvas = document.getElementById('canvas');
    const image = new Image();
    image.src = referenceUrl;
    await image.decode();
    const read = (source, width, height) => {
      const c = document.createElement('canvas');
      c.width = width;
      c.height = height;
      const g = c.getContext('2d');
      g.drawImage(source, 0, 0, width, height);
      return g.getImageData(0, 0, width, height).data;
    };
    const width = Math.floor(canvas.width / factor), height = Math.floor(canvas.height / factor);
    const full = read(canvas, canvas.width, canvas.height);
    const ours = new Float64Array(width * height * 4);
    for (let y = 0; y < height * factor; y++) {
      for (let x = 0; x < width * factor; x++) {
        const to = (Math.floor(y / factor) * width + Math.floor(x / factor)) * 4;
        const from = (y * canvas.width + x) * 4;
        for (let k = 0; k < 3; k++) ours[to + k] += full[from + k] / (factor * factor);
      }
    }
    const theirs = read(image, width, height);
    let sum = 0, close = 0;
    const pixels = width * height;
    for (let p = 0; p < pixels; p++) {
      let worst = 0;
      for (let k = 0; k < 3; k++) {
        const d = Math.abs(Math.round(ours[p * 4 + k]) - theirs[p * 4 + k]);
        sum += d;
        worst = Math.max(worst, d);
      }
      if (worst <= within) close++;
    }
    return { meanLevels: sum / (pixels * 3), withinShare: close / pixels,
             size: [image.naturalWidth, image.naturalHeight], canvas: [canvas.width, canvas.height] };
  }, { referenceUrl, within, factor });
}
