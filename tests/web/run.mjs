// Browser tests of the web build, one group per CTest test:
//   node run.mjs GROUP --site DIR --root DIR --capture BIN --spectrum BIN --out DIR
// page      loading bar, start button, sound running after the click, Escape, play again, no console problems
// timeline  the whole 60-s run ends by itself on the "play again" screen (and leaves a screenshot)
// stills    ?at= frames at 10, 35 and 50 s against morvel-capture --at of the native build
// missing   a content file the server does not have, or a bad ?at=, gives a visible message
// spectrum  the page's offline spectrum against the native TrackAnalysis
// errors, downloads, access  loading, failing and recovering (loading.mjs)
// sizes, addresses           the canvas's pixel size and ?at= / ?size= (sizes.mjs)
// scripts   what scripts/web and scripts/run do to the machine and the content (scripts.mjs)
// Every response carries a strict content security policy. Exits 77 (skipped)
// when the site or the npm packages are not there; scripts needs neither.
// MORVEL_KEEP_SCRATCH=1 keeps the group's scratch folder for a look afterwards.
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const args = { group: process.argv[2] };
for (let i = 3; i + 1 < process.argv.length; i += 2) args[process.argv[i].slice(2)] = process.argv[i + 1];

const needsBrowser = args.group !== 'scripts';
if (needsBrowser && (!existsSync(join(args.site || '', 'morvel.wasm')) ||
                     !existsSync(join(here, 'node_modules', 'playwright-core')))) {
  console.log('skipped: run scripts/web --test (or scripts/web --build and npm ci --prefix tests/web) first');
  process.exit(77);
}
const { startServer, launchChromium, openPage, waitForState, compareCanvas } =
  needsBrowser ? await import('./support.mjs') : {};
const { errorsGroup, downloadsGroup, accessGroup } = needsBrowser ? await import('./loading.mjs') : {};
const { sizesGroup, addressesGroup } = needsBrowser ? await import('./sizes.mjs') : {};
const { scriptsGroup } = await import('./scripts.mjs');

let failures = 0;
function check(condition, what) {
  console.log(`${condition ? 'ok  ' : 'FAIL'} ${what}`);
  if (!condition) failures++;
}
const state = (page) => page.evaluate(() => document.body.dataset.state);
const visible = (page, id) => page.locator('#' + id).isVisible();

async function pageGroup(context, site) {
  const server = await startServer(site, { delayMs: 1500 });
  const { page, problems } = await openPage(context);
  // The server holds the content back 1.5 s, so the page is still loading here.
  await page.goto(server.url, { waitUntil: 'domcontentloaded' });
  check(await state(page) === 'loading', 'the page is loading');
  check(await visible(page, 'bar') && !(await visible(page, 'start')), 'the loading bar shows, the start button does not');
  await waitForState(page, ['ready', 'failed'], 60000);
  check(await state(page) === 'ready' && await visible(page, 'start'), 'after loading the start button shows');
  check(await page.evaluate(() => parseFloat(document.getElementById('fill').style.width)) === 100, 'the bar reached 100 %');
  await page.click('#start');
  await waitForState(page, ['playing'], 30000);
  await page.waitForTimeout(2500);
  const running = await page.evaluate(() => ({ audio: morvelPage.audio.state, time: morvelPage.audio.currentTime,
                                               frames: morvelPage.frameTimes.length }));
  check(running.audio === 'running' && running.time > 0.5, `the audio context runs (${running.audio}, ${running.time.toFixed(2)} s)`);
  check(running.frames >= 2, `frames are drawn (${running.frames} in 2.5 s)`);
  check(!(await visible(page, 'overlay')), 'the overlay is gone while playing');
  await page.keyboard.press('Escape');
  await waitForState(page, ['ended'], 30000);
  check(await page.locator('#start').textContent() === 'Play again' && await visible(page, 'start'),
        'Escape ends the run early with "Play again"');
  await page.click('#start');
  await waitForState(page, ['playing'], 30000);
  await page.waitForTimeout(1000);
  await page.keyboard.press('Escape');
  await waitForState(page, ['ended'], 30000);
  check(await page.evaluate(() => morvelPage.runs) === 2, 'it plays again after the first run');
  check(problems.length === 0, 'no console errors or warnings' + (problems.length ? ': ' + problems.join(' | ') : ''));
  await server.close();
}

async function timelineGroup(context, url) {
  const { page, problems } = await openPage(context);
  await page.goto(url);
  await waitForState(page, ['ready', 'failed'], 60000);
  await page.click('#start');
  await waitForState(page, ['playing'], 30000);
  await page.waitForTimeout(20000);
  if (args.out) {
    mkdirSync(args.out, { recursive: true });
    await page.screenshot({ path: join(args.out, 'page.png') });
  }
  const started = await page.evaluate(() => morvelPage.startedAt);
  await waitForState(page, ['ended'], 60000);
  const seconds = (await page.evaluate(() => performance.now()) - started) / 1000;
  check(seconds >= 59.5 && seconds < 64, `the timeline ended by itself after ${seconds.toFixed(1)} s`);
  check(await page.evaluate(() => morvelPage.endStatus) === 0, 'with the exit status of a completed run');
  check(await visible(page, 'start') && await page.locator('#start').textContent() === 'Play again',
        'on the "play again" screen');
  check(problems.length === 0, 'no console errors or warnings' + (problems.length ? ': ' + problems.join(' | ') : ''));
}

async function stillsGroup(context, site, scratch) {
  const times = [10, 35, 50];
  const extra = {};
  for (const at of times) {
    extra[`/native-${at}.png`] = join(scratch, `native-${at}.png`);
    execFileSync(args.capture, ['--at', String(at), '--png', extra[`/native-${at}.png`]],
                 { cwd: args.root, stdio: 'ignore' });
  }
  // The references come from the page's own origin, so the page may read their pixels.
  const server = await startServer(site, { extra });
  for (const at of times) {
    const { page, problems } = await openPage(context);
    await page.goto(server.url + '?at=' + at);
    await waitForState(page, ['still', 'failed'], 60000);
    const result = await compareCanvas(page, server.url + `native-${at}.png`, 4);
    const figures = `mean ${result.meanLevels.toFixed(3)} levels, ${(result.withinShare * 100).toFixed(2)} % within 4`;
    // What remains is the rasterizers' own: SwiftShader and llvmpipe interpolate
    // the meshes' texture coordinates and place their edges a little differently,
    // and pick different texels in three rows where the glow's image is sampled
    // exactly between two; the blur spreads each such level over a block.
    check(result.meanLevels <= 1 && result.withinShare >= 0.99, `the frame at ${at} s matches native: ${figures}`);
    check(problems.length === 0, `no console problems at ${at} s` + (problems.length ? ': ' + problems.join(' | ') : ''));
    await page.close();
  }
  await server.close();
}

async function missingGroup(context, site) {
  const server = await startServer(site, { hidden: ['data/tex/grid.png'] });
  const { page } = await openPage(context);
  await page.goto(server.url);
  await waitForState(page, ['failed', 'ready'], 60000);
  const message = await page.locator('#message').textContent();
  check(await state(page) === 'failed', 'the page does not offer to start');
  check(await visible(page, 'message') && message.includes('data/tex/grid.png') && message.includes('404'),
        `a visible message names the file: "${message}"`);
  await page.goto(server.url + '?at=soon');
  await waitForState(page, ['failed', 'still'], 60000);
  check(await state(page) === 'failed' && (await page.locator('#message').textContent()).includes('?at='),
        'a time that is not a number is refused with a message');
  await server.close();
}

async function spectrumGroup(context, url) {
  const times = [0.5, 5, 10, 20, 28.3, 35, 42, 50, 58];
  const { page } = await openPage(context);
  await page.goto(url + '?at=1');
  await waitForState(page, ['still', 'failed'], 60000);
  const track = await page.evaluate(() => morvelPage.module.UTF8ToString(morvelPage.module._morvel_soundtrack_path()));
  const ours = await page.evaluate((times) => times.map((t) => {
    const m = morvelPage.module, p = m._malloc(512 * 4);
    m._morvel_offline_spectrum(t, p);
    const bins = Array.from(m.HEAPF32.subarray(p >> 2, (p >> 2) + 512));
    m._free(p);
    return bins;
  }), times);
  const native = JSON.parse(execFileSync(args.spectrum, [track, ...times.map(String)], { cwd: args.root })).spectra;
  let worst = 0, worstLow = 0;
  times.forEach((t, i) => ours[i].forEach((value, k) => {
    const d = Math.abs(value - native[i].bins[k]);
    worst = Math.max(worst, d);
    if (k <= 5) worstLow = Math.max(worstLow, d);
  }));
  check(worstLow < 0.002, `entries 0-5 (the ones the scenes read) within ${worstLow.toExponential(2)} of native`);
  check(worst < 0.01, `all 512 entries within ${worst.toExponential(2)} of native`);
}

const groups = { page: pageGroup, timeline: timelineGroup, stills: stillsGroup, missing: missingGroup,
                 spectrum: spectrumGroup };
// Groups that take one object and serve the site themselves.
const ownGroups = { errors: errorsGroup, downloads: downloadsGroup, access: accessGroup, sizes: sizesGroup,
                    addresses: addressesGroup, scripts: scriptsGroup };
if (!groups[args.group] && !ownGroups[args.group]) {
  console.error('unknown group ' + args.group);
  process.exit(2);
}
const scratch = mkdtempSync(join(tmpdir(), 'morvel-web-test-'));
const server = needsBrowser ? await startServer(args.site) : null;
const browser = needsBrowser ? await launchChromium() : null;
try {
  if (ownGroups[args.group]) {
    await ownGroups[args.group]({ context: browser && browser.context, site: args.site, scratch, args, check });
  } else {
    // Groups that need a server of their own get the site folder instead of a URL.
    const own = ['page', 'stills', 'missing'].includes(args.group);
    await groups[args.group](browser.context, own ? args.site : server.url, scratch);
  }
} catch (error) {
  check(false, 'the group ran through: ' + error.message);
} finally {
  if (browser) await browser.close();
  if (server) await server.close();
  if (!process.env.MORVEL_KEEP_SCRATCH) rmSync(scratch, { recursive: true, force: true });
}
process.exit(failures === 0 ? 0 : 1);
