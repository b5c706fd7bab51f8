// How the page loads, fails and recovers, under the strict policy a careful
// host sends (every response of the test server carries it):
// errors     a missing morvel.js or morvel.wasm, a wasm that is not one, a cut
//            download: a message naming the file and what to do, and Retry
// downloads  progress as bytes arrive (before every file has answered, and for
//            chunked or compressed responses), a stalled download given up
//            with a message and a working Retry
// access     the loading bar's role and value, the announced status, the
//            canvas's label and the reduced-motion notice before Start
import { readdirSync } from 'node:fs';
import { join } from 'node:path';
import { openPage, startServer, waitForState } from './support.mjs';

const message = (page) => page.locator('#message').textContent();
const visible = (page, id) => page.locator('#' + id).isVisible();

// Opens the site and waits until it is ready to start or has given up.
async function open(context, url, settings) {
  const { page, problems } = await openPage(context);
  if (settings) await page.addInitScript((s) => { window.morvelSettings = s; }, settings);
  await page.goto(url);
  const state = await waitForState(page, ['ready', 'failed'], 90000);
  return { page, problems, state };
}

export async function errorsGroup({ context, site, check }) {
  const server = await startServer(site, { hidden: ['morvel.js'] });
  let { page, state } = await open(context, server.url);
  let text = await message(page);
  check(state === 'failed' && text.includes('morvel.js') && text.includes('build-web/out/site'),
        `a missing morvel.js is named, with what to do: "${text}"`);
  await page.close();

  await server.close();
  const wasmServer = await startServer(site, { hidden: ['morvel.wasm'] });
  ({ page, state } = await open(context, wasmServer.url));
  text = await message(page);
  check(state === 'failed' && text.includes('morvel.wasm') && text.includes('404') &&
        text.includes('scripts/web --build'), `a missing morvel.wasm is named, with what to do: "${text}"`);
  check(await page.getByRole('alert').textContent() === text, 'the message is an alert');
  await page.close();
  await wasmServer.close();

  const server2 = await startServer(site, { rules: { 'morvel.wasm': { body: '<!DOCTYPE html><p>Not here</p>' } } });
  ({ page, state } = await open(context, server2.url));
  text = await message(page);
  check(state === 'failed' && text.includes('morvel.wasm is not a WebAssembly module') && text.includes('<!DOCTYPE'),
        `a page served in place of morvel.wasm is recognised: "${text}"`);
  await page.close();

  server2.rules['morvel.wasm'] = { cutAfter: 50000 };
  const { page: cut, problems, state: cutState } = await open(context, server2.url);
  text = await message(cut);
  check(cutState === 'failed' && text.includes('morvel.wasm') &&
        text.includes('interrupted') && text.includes('Retry') && await visible(cut, 'retry'),
        `a cut morvel.wasm says so and offers Retry: "${text}"`);
  delete server2.rules['morvel.wasm'];
  await cut.click('#retry');
  check(await waitForState(cut, ['ready', 'failed'], 90000) === 'ready' && await visible(cut, 'start') &&
        !(await visible(cut, 'message')), 'Retry then loads the page to its start button');
  const unexpected = problems.filter((p) => !p.includes('morvel.wasm') && !p.includes('ERR_'));
  check(unexpected.length === 0, 'nothing else went wrong, nothing was blocked by the policy' +
        (unexpected.length ? ': ' + unexpected.join(' | ') : ''));
  await server2.close();
}

// The content step's fractions, in order.
const contentProgress = (page) => page.evaluate(() => morvelPage.progressSeen.filter((p) => p.step ===
  'Loading the content'));

// The first file of a content folder, as the page will ask for it.
const firstIn = (site, folder) => `data/${folder}/${readdirSync(join(site, 'data', folder)).sort()[0]}`;

export async function downloadsGroup({ context, site, check }) {
  const soundtrack = firstIn(site, 'sound');
  const mesh = firstIn(site, 'obj');
  const held = 'data/tex/grid.png';
  // Every file answers at once but one, which holds its headers back 4 s; the
  // soundtrack trickles in.
  const server = await startServer(site, { rules: {
    [held]: { holdMs: 4000 }, [soundtrack]: { trickle: { bytes: 16384, everyMs: 40 } } } });
  const { page, problems } = await openPage(context);
  await page.goto(server.url);
  await page.waitForFunction(() => morvelPage.progressSeen.some((p) => p.step === 'Loading the content'), null,
                             { timeout: 60000 });
  await page.waitForTimeout(2000);
  const early = await page.evaluate(() => ({ now: Number(document.getElementById('bar').getAttribute('aria-valuenow')),
                                             status: document.getElementById('status').textContent }));
  check(early.now > 0 && early.status.startsWith('Loading the content'),
        `the bar moves while one file has not answered yet (${early.now} %, "${early.status}")`);
  await waitForState(page, ['ready', 'failed'], 90000);
  let seen = await contentProgress(page);
  const between = new Set(seen.filter((p) => p.fraction > 0 && p.fraction < 1).map((p) => p.fraction));
  check(between.size >= 10 && seen.at(-1).fraction === 1 && seen.at(-1).text === '100 %',
        `bytes are counted as they arrive (${between.size} steps between 0 and 100 %, ended at ${seen.at(-1).text})`);
  check(seen.every((p, i) => i === 0 || p.fraction >= seen[i - 1].fraction), 'the bar never moves back');
  check(problems.length === 0, 'no console problems' + (problems.length ? ': ' + problems.join(' | ') : ''));
  await page.close();

  // Without sizes (chunked) or with sizes that count compressed bytes (gzip),
  // the bar counts files, each sized one by its bytes.
  for (const kind of ['chunked', 'gzip']) {
    for (const key of Object.keys(server.rules)) delete server.rules[key];
    server.rules[soundtrack] = { [kind]: true, trickle: { bytes: 65536, everyMs: 30 } };
    for (const path of [held, mesh]) server.rules[path] = { [kind]: true };
    const { page: p, state } = await open(context, server.url);
    seen = await contentProgress(p);
    const last = seen.at(-1);
    const counted = seen.filter((s) => / of \d+ files$/.test(s.text));
    check(state === 'ready' && last.fraction === 1 && counted.length > 0 &&
          seen.some((s) => s.fraction > 0 && s.fraction < 1) &&
          await p.evaluate(() => parseFloat(document.getElementById('fill').style.width)) === 100,
          `${kind} responses load and the bar reaches 100 % (${counted.length} file counts, ` +
          `last "${last && last.text}", state ${state})`);
    await p.close();
  }

  // A download that stops sending is given up; Retry fetches it again.
  for (const key of Object.keys(server.rules)) delete server.rules[key];
  server.rules[held] = { stallAfter: 1000 };
  const { page: stalled, state } = await open(context, server.url, { stallMs: 1500 });
  const text = await message(stalled);
  check(state === 'failed' && text.includes(held) && text.includes('stalled') && await visible(stalled, 'retry'),
        `a stalled download gives up with a message and Retry: "${text}"`);
  delete server.rules[held];
  await stalled.click('#retry');
  check(await waitForState(stalled, ['ready', 'failed'], 90000) === 'ready' &&
        server.requests.filter((r) => r === held).length >= 2, 'Retry downloads it again and the page gets ready');
  await server.close();
}

export async function accessGroup({ context, site, check }) {
  const server = await startServer(site, { delayMs: 1500 });
  const { page, problems } = await openPage(context);
  await page.goto(server.url, { waitUntil: 'domcontentloaded' });
  const bar = page.getByRole('progressbar', { name: 'Loading' });
  check(await bar.isVisible() && await bar.getAttribute('aria-valuemin') === '0' &&
        await bar.getAttribute('aria-valuemax') === '100', 'the loading bar is a progress bar from 0 to 100');
  const status = page.getByRole('status');
  check((await status.textContent()).startsWith('Loading'), `its step is a status: "${await status.textContent()}"`);
  check(await page.getByRole('img', { name: /morvel/ }).evaluate((e) => e.id) === 'canvas', 'the canvas has a label');
  await waitForState(page, ['ready', 'failed'], 90000);
  // Hidden once loaded, so no longer found by its role.
  const done = page.locator('#bar');
  check(await done.getAttribute('aria-valuenow') === '100' && /: 100 %$/.test(await done.getAttribute('aria-valuetext')),
        `the bar's value reached 100 ("${await done.getAttribute('aria-valuetext')}")`);
  check(await status.textContent() === 'Ready to start.', 'the status announces that the demo can start');
  check(!(await visible(page, 'motion')) && await page.locator('#start').getAttribute('aria-describedby') === 'hint',
        'no motion notice where reduced motion is not asked for');
  await page.emulateMedia({ reducedMotion: 'reduce' });
  // The media query's change event arrives a little after the emulation.
  await page.locator('#motion').waitFor({ state: 'visible', timeout: 5000 }).catch(() => {});
  check(await visible(page, 'motion') && (await page.locator('#start').getAttribute('aria-describedby')).includes('motion'),
        'asking for reduced motion on the start screen shows the notice and ties it to Start');
  check(problems.length === 0, 'no console problems' + (problems.length ? ': ' + problems.join(' | ') : ''));
  await page.close();

  const { page: reduced } = await openPage(context);
  await reduced.emulateMedia({ reducedMotion: 'reduce' });
  await reduced.goto(server.url);
  await waitForState(reduced, ['ready', 'failed'], 90000);
  const notice = await reduced.locator('#motion').textContent();
  check(await visible(reduced, 'motion') && await visible(reduced, 'start') && notice.includes('reduced motion') &&
        notice.includes("flashes"), `with reduced motion asked for, a notice shows before Start: "${notice.replace(/\s+/g, " ").trim()}"`);
  await reduced.click('#start');
  await waitForState(reduced, ['playing'], 30000);
  await reduced.keyboard.press('Escape');
  await waitForState(reduced, ['ended'], 30000);
  check(await visible(reduced, 'motion'), 'and again before "Play again"');
  check(await reduced.getByRole('status').textContent() === 'The demo has ended.', 'the end is announced');
  await server.close();
}
