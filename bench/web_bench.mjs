// The browser build in headless Chromium: what the page downloads, how long it
// takes from navigation to the start button and to the first frame, and the
// frame time while playing. Prints one JSON object. Needs scripts/web --build and
// npm ci --prefix tests/web; run from the repository root:
//   node bench/web_bench.mjs [SECONDS_PLAYED]
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { launchChromium, openPage, startServer, waitForState } from '../tests/web/support.mjs';

const root = join(dirname(fileURLToPath(import.meta.url)), '..');
const playedMs = Number(process.argv[2] || 8) * 1000;
const server = await startServer(join(root, 'build-web', 'out', 'site'));
const browser = await launchChromium();
try {
  const { page } = await openPage(browser.context);
  const navigated = Date.now();
  await page.goto(server.url);
  await waitForState(page, ['ready'], 120000);
  const readyMs = Date.now() - navigated;
  await page.click('#start');
  await page.waitForTimeout(playedMs);
  const figures = await page.evaluate(() => {
    const resources = performance.getEntriesByType('resource');
    const bytes = (pattern) => resources.filter((r) => pattern.test(r.name))
      .reduce((sum, r) => sum + (r.encodedBodySize || r.transferSize || 0), 0);
    const times = morvelPage.frameTimes;
    const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
    const at = (q) => (gaps.length ? gaps[Math.min(gaps.length - 1, Math.floor(q * gaps.length))] : 0);
    return {
      download_bytes: bytes(/./),
      download_bytes_code: bytes(/morvel\.(js|wasm)$/),
      download_bytes_content: bytes(/\/data\//),
      first_frame_after_start_ms: morvelPage.firstFrameAt - morvelPage.startedAt,
      frames: times.length,
      frame_ms_median: at(0.5),
      frame_ms_p95: at(0.95),
    };
  });
  console.log(JSON.stringify({ browser: 'chromium headless (SwiftShader WebGL)', load_to_start_button_ms: readyMs,
                               load_to_first_frame_ms: readyMs + figures.first_frame_after_start_ms, ...figures }));
} finally {
  await browser.close();
  await server.close();
}
