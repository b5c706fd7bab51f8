// The canvas's pixel size and the page's address options:
// sizes      the page draws at its CSS box times devicePixelRatio, 4:3 and
//            pillarboxed, capped at what WebGL reports it can draw; a still
//            drawn at 1600 x 1200 and halved matches the native 800 x 600 one
// addresses  ?at= takes decimal seconds from 0 to 60 only, ?size= 4:3 sizes only, ?watch none
import { execFileSync } from 'node:child_process';
import { join } from 'node:path';
import { compareCanvas, openPage, startServer, waitForState } from './support.mjs';

// Sets the window size and devicePixelRatio of one page, as a display would.
async function emulateDisplay(context, page, width, height, ratio) {
  const cdp = await context.newCDPSession(page);
  await cdp.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: ratio, mobile: false });
}

const canvasFacts = (page) => page.evaluate(() => {
  const canvas = document.getElementById('canvas');
  const box = canvas.getBoundingClientRect();
  return { size: morvelPage.canvasSize, pixels: [canvas.width, canvas.height],
           box: [box.x, box.y, box.width, box.height], ratio: devicePixelRatio };
});

async function liveSizes({ context, server, check }) {
  const displays = [
    { width: 1000, height: 600, ratio: 2, want: [1600, 1200], box: [100, 0, 800, 600] },
    { width: 1000, height: 600, ratio: 1.5, want: [1200, 900], box: [100, 0, 800, 600] },
    { width: 1920, height: 1080, ratio: 1, want: [1440, 1080], box: [240, 0, 1440, 1080] },
    { width: 640, height: 800, ratio: 1, want: [640, 480], box: [0, 160, 640, 480] },
  ];
  for (const display of displays) {
    const { page, problems } = await openPage(context);
    await emulateDisplay(context, page, display.width, display.height, display.ratio);
    await page.goto(server.url);
    await waitForState(page, ['ready', 'failed'], 90000);
    const got = await canvasFacts(page);
    const name = `${display.width} x ${display.height} at ratio ${display.ratio}`;
    check(got.size && got.size.width === display.want[0] && got.size.height === display.want[1] &&
          got.pixels.join() === display.want.join(),
          `${name}: drawn at ${got.pixels.join(' x ')} (${display.want.join(' x ')} wanted)`);
    check(got.box.map(Math.round).join() === display.box.join(), `${name}: in the 4:3 box ${got.box.join(', ')}`);
    if (display.ratio === 2) {
      await page.click('#start');
      await waitForState(page, ['playing'], 30000);
      await page.waitForTimeout(2000);
      await page.keyboard.press('Escape');
      await waitForState(page, ['ended'], 30000);
      const frames = await page.evaluate(() => morvelPage.frameTimes.length);
      check(frames >= 2 && problems.length === 0, `${name}: plays (${frames} frames)` +
            (problems.length ? ', but: ' + problems.join(' | ') : ''));
      await page.goto(server.url + '?at=35');
      await waitForState(page, ['still', 'failed'], 90000);
      const still = await canvasFacts(page);
      check(still.pixels.join() === '800,600', `${name}: a still stays at 800 x 600 (${still.pixels.join(' x ')})`);
    }
    await page.close();
  }
}

// A browser that reports a small texture limit gets the largest 4:3 size within it.
async function cappedSize({ context, server, check }) {
  const { page, problems } = await openPage(context);
  const lines = [];
  page.on('console', (message) => lines.push(message.text()));
  await emulateDisplay(context, page, 1000, 600, 2);
  await page.addInitScript(() => {
    const original = WebGLRenderingContext.prototype.getParameter;
    WebGLRenderingContext.prototype.getParameter = function (name) {
      return name === this.MAX_TEXTURE_SIZE ? 1000 : original.call(this, name);
    };
  });
  await page.goto(server.url);
  await waitForState(page, ['ready', 'failed'], 90000);
  const got = await canvasFacts(page);
  const said = lines.filter((line) => line.includes('draws at most'));
  check(got.pixels.join() === '512,384', `a texture limit of 1000 gives 512 x 384 (${got.pixels.join(' x ')}): ` +
        'the render target\'s power-of-two texture must fit');
  check(said.length === 1 && said[0].includes('512 x 384') && said[0].includes('1600 x 1200'),
        `with one line saying so: "${said.join(' | ')}"`);
  check(problems.length === 0, 'no console problems' + (problems.length ? ': ' + problems.join(' | ') : ''));
  await page.close();
}

// Drawn at twice the size and halved with a box filter, a frame matches the
// 800 x 600 one: everything that follows the pixel size (canvas, viewport, the
// full-size render target) followed it. A target left at 800 x 600 gives a
// mean of 17 to 145 levels. At 35 s the share within 8 levels is the 98 % the
// native capture test asks for; at 10 and 50 s the shared drawing itself falls
// short at this size, natively as here (97.6 and 96.5 %): the glow's shrink
// takes one bilinear sample per blur texel from the full-size copy, so it
// reads finer detail, and the greetings' letters are magnified with linear
// filtering. Those two ask for 95 % until the shared drawing changes.
const kWithinShare = { 10: 0.95, 35: 0.98, 50: 0.95 };

async function doubleSizeStills({ context, server, check }) {
  for (const at of [10, 35, 50]) {
    const { page, problems } = await openPage(context);
    await page.goto(server.url + `?at=${at}&size=1600x1200`);
    await waitForState(page, ['still', 'failed'], 90000);
    const result = await compareCanvas(page, server.url + `native-${at}.png`, 8, 2);
    const figures = `mean ${result.meanLevels.toFixed(3)} levels, ${(result.withinShare * 100).toFixed(2)} % within 8`;
    check(result.canvas.join() === '1600,1200' && result.meanLevels <= 1.5 && result.withinShare >= kWithinShare[at],
          `the frame at ${at} s drawn at ${result.canvas.join(' x ')} and halved matches native 800 x 600: ${figures}`);
    check(problems.length === 0, `no console problems at ${at} s` + (problems.length ? ': ' + problems.join(' | ') : ''));
    await page.close();
  }
}

export async function sizesGroup({ context, site, scratch, args, check }) {
  const extra = {};
  for (const at of [10, 35, 50]) {
    extra[`/native-${at}.png`] = join(scratch, `native-${at}.png`);
    execFileSync(args.capture, ['--at', String(at), '--png', extra[`/native-${at}.png`]],
                 { cwd: args.root, stdio: 'ignore' });
  }
  const server = await startServer(site, { extra });
  try {
    await liveSizes({ context, server, check });
    await cappedSize({ context, server, check });
    await doubleSizeStills({ context, server, check });
  } finally {
    await server.close();
  }
}

export async function addressesGroup({ context, site, check }) {
  const server = await startServer(site);
  const { page } = await openPage(context);
  const refused = { at: ['-5', '1e9', '0x10', '61', '60.01', '', ' 5', 'Infinity', 'NaN', '1,5', '5s', '+5'],
                    size: ['1600x1000', '0x0', '1600X1200', '1600x1200x1', '123456x92592', 'big', ''] };
  for (const [name, values] of Object.entries(refused)) {
    for (const value of values) {
      await page.goto(`${server.url}?${name}=${encodeURIComponent(value)}`);
      await waitForState(page, ['failed', 'still', 'ready'], 90000);
      const text = await page.locator('#message').textContent();
      check(await page.evaluate(() => morvelPage.state) === 'failed' && text.includes(`?${name}=`) &&
            !(await page.locator('#retry').isVisible()), `?${name}=${value} is refused: "${text}"`);
    }
  }
  for (const at of ['60', '.5', '12.50', '0']) {
    await page.goto(`${server.url}?at=${at}`);
    const state = await waitForState(page, ['failed', 'still'], 90000);
    check(state === 'still', `?at=${at} draws a still (${state})`);
  }
  await page.goto(`${server.url}?at=${encodeURIComponent('1e1')}`);
  await waitForState(page, ['failed', 'still'], 90000);
  check((await page.locator('#message').textContent()).includes('from 0 to 60'), 'the message gives the range');
  // A page cannot see its files change: watching is refused, and says where it works.
  for (const address of ['?watch', '?watch=1', '?at=10&watch']) {
    await page.goto(server.url + address);
    await waitForState(page, ['failed', 'still', 'ready'], 90000);
    const text = await page.locator('#message').textContent();
    check(await page.evaluate(() => morvelPage.state) === 'failed' && text.includes('?watch is not available') &&
          text.includes('--rehearse --watch') && !(await page.locator('#retry').isVisible()),
          `${address} is refused: "${text}"`);
  }
  await server.close();
}
