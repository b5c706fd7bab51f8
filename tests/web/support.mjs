// What the browser tests and the benchmark share: a static server for the
// built site on 127.0.0.1 (one port per run, stopped afterwards), Debian's
// Chromium launched headless with a fresh profile, and PNG pixel access in the
// page itself, so no image library is needed in node.
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { chromium } from 'playwright-core';

const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.mp3': 'audio/mpeg', '.ebr': 'application/octet-stream',
};

// Serves root; paths in hidden answer 404, extra maps URL paths to other files,
// and files under data/ are held back delayMs, as over a slow line.
export async function startServer(root, { hidden = [], extra = {}, delayMs = 0 } = {}) {
  const server = createServer(async (request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const relative = normalize(path === '/' ? '/index.html' : path).replace(/^\/+/, '');
    const file = extra['/' + relative] || join(root, relative);
    if (delayMs > 0 && relative.startsWith('data/')) {
      await new Promise((resolve) => setTimeout(resolve, delayMs));
    }
    if (relative.startsWith('..') || hidden.includes(relative)) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
      return;
    }
    try {
      if (!statSync(file).isFile()) throw new Error('not a file');
      const bytes = readFileSync(file);
      response.writeHead(200, { 'Content-Type': kTypes[extname(file)] || 'application/octet-stream',
                                'Content-Length': bytes.length, 'Cache-Control': 'no-store' });
      response.end(bytes);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const url = `http://127.0.0.1:${server.address().port}/`;
  return { url, close: () => new Promise((resolve) => server.close(resolve)) };
}

// Headless Chromium that draws WebGL with SwiftShader and plays sound without
// a gesture requirement getting in the way of automation.
export async function launchChromium() {
  const profile = mkdtempSync(join(tmpdir(), 'morvel-chromium-'));
  const browser = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.MORVEL_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    viewport: { width: 1000, height: 600 },
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

// A page that records console errors and warnings, and uncaught exceptions.
export async function openPage(context) {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error' || message.type() === 'warning') {
      problems.push(`${message.type()}: ${message.text()}`);
    }
  });
  page.on('pageerror', (error) => problems.push(`exception: ${error.message}`));
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
// every channel is within `within` levels.
export async function compareCanvas(page, referenceUrl, within) {
  return page.evaluate(async ({ referenceUrl, within }) => {
    const canvas = document.getElementById('canvas');
    const image = new Image();
    image.src = referenceUrl;
    await image.decode();
    const read = (source) => {
      const c = document.createElement('canvas');
      c.width = canvas.width;
      c.height = canvas.height;
      const g = c.getContext('2d');
      g.drawImage(source, 0, 0, c.width, c.height);
      return g.getImageData(0, 0, c.width, c.height).data;
    };
    const ours = read(canvas), theirs = read(image);
    let sum = 0, close = 0;
    const pixels = ours.length / 4;
    for (let p = 0; p < pixels; p++) {
      let worst = 0;
      for (let k = 0; k < 3; k++) {
        const d = Math.abs(ours[p * 4 + k] - theirs[p * 4 + k]);
        sum += d;
        worst = Math.max(worst, d);
      }
      if (worst <= within) close++;
    }
    return { meanLevels: sum / (pixels * 3), withinShare: close / pixels,
             size: [image.naturalWidth, image.naturalHeight] };
  }, { referenceUrl, within });
}
