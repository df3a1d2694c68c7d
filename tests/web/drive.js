// Drives the web build in Debian's headless chromium (WebGL on SwiftShader)
// through puppeteer-core, serving the folder on 127.0.0.1 itself.
//
//   node drive.js frames WEB_DIR OUT_DIR NAME:D... -- D...
//       each moment NAME at demo time D at 675 x 525, level 0, as
//       OUT_DIR/NAME.png; the particle row's middle again from a fresh page
//       (same bytes); then the page played, paused and sought to each D
//       after "--", its frame as OUT_DIR/seek-NNNNN.png (NNNNN the frame of
//       the 60 fps grid)
//   node drive.js sound WEB_DIR NATIVE_PCM FRAMES MS:LEVEL...
//       the browser's decoding of kel.mp3 against the native decoder's raw
//       PCM (16-bit stereo), and the meter's level at the given moments
//   node drive.js live WEB_DIR SHOTS_DIR
//       the page as a viewer meets it: the bytes of a load, start card,
//       progress, the first frame's delay after the click, 10 s of play on
//       the audio clock, pause, the scrubber, full screen, the end at 1300
//       and "Play again", the failures it names; screenshots
//   node drive.js bench WEB_DIR NATIVE_BENCH
//       frame times per timeline row, web then native (kelvane_bench):
//       "ROW SCENE WEB_MEDIAN WEB_P99 WEB_CPU NATIVE_MEDIAN NATIVE_WORST
//       NATIVE_CPU" lines in ms (CPU: per frame, all processes and threads);
//       then "first-frame MS" for 5 loads
// Exits 1 with a line per failure.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');

const [mode, webDir, ...rest] = process.argv.slice(2);
const failures = [];
const check = (ok, what) => {
  if (!ok) failures.push(what);
  console.log((ok ? 'ok    ' : 'FAIL  ') + what);
};

const types = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
               '.png': 'image/png', '.data': 'application/octet-stream'};
// A static server over the web folder, plus /native.pcm for the sound test.
// served.bytes counts the bodies it sends; a name in served.missing answers
// 404, one in served.truncated half its bytes.
const served = {bytes: 0, missing: new Set(), truncated: new Set()};
function serve(extra) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(req.url.split('?')[0]);
    const file = extra && extra[name] ? extra[name]
                                      : path.join(webDir, name === '/' ? 'index.html' : name);
    fs.readFile(file, (err, body) => {
      if (err || served.missing.has(name)) {
        res.writeHead(404);
        res.end();
        return;
      }
      if (served.truncated.has(name)) body = body.subarray(0, body.length >> 1);
      served.bytes += body.length;
      res.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                          'Content-Length': body.length});
      res.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function launch(extraArgs = []) {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-dev-shm-usage', '--use-angle=swiftshader',
           '--enable-unsafe-swiftshader', '--autoplay-policy=no-user-gesture-required',
           '--window-size=900,700', ...extraArgs],
  });
}

// A browser without WebGL, and one without Web Audio: the page says so.
async function noWebGl(url, shotsDir) {
  const noGl = await launch(['--disable-3d-apis']);
  try {
    const page = await noGl.newPage();
    await page.goto(url);
    await page.waitForFunction(() => !document.getElementById('failure').hidden, {timeout: 30000});
    check(/WebGL/.test(await page.evaluate(() => document.getElementById('reason').textContent)),
          'without WebGL the page says so');
    await page.screenshot({path: path.join(shotsDir, 'no-webgl.png')});
  } finally {
    await noGl.close();
  }
}

async function openPage(browser, url, width = 900, height = 700) {
  const page = await browser.newPage();
  await page.setViewport({width, height, deviceScaleFactor: 1});
  page.on('pageerror', (e) => failures.push('page error: ' + e.message));
  await page.goto(url);
  // main() has run: the play button is enabled, or the page says why not.
  await page.waitForFunction(
      () => !document.getElementById('play').disabled || !document.getElementById('failure').hidden,
      {timeout: 60000});
  return page;
}

function png(dataUrl) { return Buffer.from(dataUrl.split(',')[1], 'base64'); }

// Resolves after n animation frames of the page.
const frames_ = (page, n) => page.evaluate((n) => new Promise((resolve) => {
  const step = () => (--n > 0 ? requestAnimationFrame(step) : resolve());
  requestAnimationFrame(step);
}), n);

async function frames(browser, url, outDir, moments, seeks) {
  fs.mkdirSync(outDir, {recursive: true});
  // The page started up at its canvas's size (900 x 700 CSS pixels): the
  // still frames resize it.
  const render = (times) => {
    Module._KelvaneStill(675, 525);
    return times.map((d) => {
      Module._KelvaneRenderAt(d, 0);
      return document.getElementById('canvas').toDataURL('image/png');
    });
  };
  let page = await openPage(browser, url);
  const shots = await page.evaluate(render, moments.map(([, d]) => d));
  shots.forEach((s, i) => fs.writeFileSync(path.join(outDir, moments[i][0] + '.png'), png(s)));
  await page.close();
  // The particles draw from the generator: the frame most likely to differ.
  const particles = moments.findIndex(([name]) => name === 'row07');
  page = await openPage(browser, url);
  const [again] = await page.evaluate(render, [moments[particles][1]]);
  fs.writeFileSync(path.join(outDir, 'again.png'), png(again));
  check(png(again).equals(png(shots[particles])), 'two runs of row 07 give identical bytes');
  await page.close();

  // Live seeks: the page playing at 675 x 525, paused, sought by the
  // scrubber's own function; the picture as the viewer sees it.
  page = await openPage(browser, url, 675, 525);
  await page.click('#play');
  await page.waitForFunction(() => Module.kelvane.firstFrameMs !== undefined, {timeout: 10000});
  await page.keyboard.press('Space');
  for (const d of seeks) {
    const t = await page.evaluate((d) => {
      seek(d);
      return Module._KelvaneDemoTime();
    }, d);
    await frames_(page, 2);
    await page.evaluate(() => { document.getElementById('controls').hidden = true; });
    const frame = String(Math.round(t * 60 / 9.8)).padStart(5, '0');
    await page.screenshot({path: path.join(outDir, `seek-${frame}.png`),
                           clip: {x: 0, y: 0, width: 675, height: 525}});
    await page.evaluate(() => { document.getElementById('controls').hidden = false; });
  }
}

async function sound(browser, url, nativeFrames, moments) {
  const page = await openPage(browser, url);
  await page.click('#play');
  await page.waitForFunction(() => Module._KelvaneDemoTime() > 0, {timeout: 30000});
  const report = await page.evaluate(async (moments) => {
    const music = Module.kelvane.music;
    const native = new Int16Array(await (await fetch('/native.pcm')).arrayBuffer());
    // The samples as the page hands them to the meter.
    const toInt16 = (x) => Math.max(-32768, Math.min(32767, Math.round(x * 32768)));
    const left = music.getChannelData(0), right = music.getChannelData(1);
    let worst = 0;
    const n = Math.min(music.length, native.length / 2);
    for (let i = 0; i < n; ++i)
      worst = Math.max(worst, Math.abs(toInt16(left[i]) - native[2 * i]),
                       Math.abs(toInt16(right[i]) - native[2 * i + 1]));
    return {frames: music.length, worst, levels: moments.map(([ms]) => Module._KelvaneLevelAt(ms))};
  }, moments);
  check(report.frames === nativeFrames,
        `decoded frames: ${report.frames} in the browser, ${nativeFrames} natively`);
  check(report.worst <= 1, `largest sample difference ${report.worst} LSB`);
  moments.forEach(([ms, level], i) =>
    check(Math.abs(report.levels[i] - level) < 1e-6,
          `level at ${ms} ms: ${report.levels[i].toFixed(6)}, natively ${level.toFixed(6)}`));
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const canvasShot = (page) => page.evaluate(() => {
  const r = document.getElementById('canvas').getBoundingClientRect();
  return {x: r.x, y: r.y, width: r.width, height: r.height};
}).then((clip) => page.screenshot({clip}));
// Whether the failure card says `sentence` within 5 s.
const says = (page, sentence) => page.waitForFunction(
    (s) => !document.getElementById('failure').hidden &&
           new RegExp(s).test(document.getElementById('reason').textContent),
    {timeout: 5000}, sentence.source).then(() => true, () => false);

// WCAG contrast of every visible text against its background, the layers
// from the element up to the stage composited over the picture, taken as
// black and as white; fails below 4.5:1.
async function contrast(page, where) {
  const texts = await page.evaluate(() => {
    const rgba = (css) => {
      const [r, g, b, a = 1] = css.match(/[\d.]+/g).map(Number);
      return [r, g, b, a];
    };
    const over = ([r, g, b, a], under) => [r, g, b].map((v, i) => v * a + under[i] * (1 - a));
    const lum = (rgb) => {
      const [r, g, b] = rgb.map((v) => (v /= 255) <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4);
      return 0.2126 * r + 0.7152 * g + 0.0722 * b;
    };
    const out = [];
    for (const el of document.querySelectorAll('#stage *')) {
      if (![...el.childNodes].some((n) => n.nodeType === Node.TEXT_NODE && n.textContent.trim()) ||
          !el.checkVisibility({opacityProperty: true, visibilityProperty: true})) continue;
      const layers = [];
      for (let e = el; e.id !== 'stage'; e = e.parentElement) layers.unshift(rgba(getComputedStyle(e).backgroundColor));
      let ratio = Infinity;
      for (const picture of [[0, 0, 0], [255, 255, 255]]) {
        const bg = layers.reduce((under, layer) => over(layer, under), picture);
        const [hi, lo] = [lum(over(rgba(getComputedStyle(el).color), bg)), lum(bg)].sort((a, b) => b - a);
        ratio = Math.min(ratio, (hi + 0.05) / (lo + 0.05));
      }
      out.push([ratio, el.textContent.trim().slice(0, 24)]);
    }
    return out.sort((a, b) => a[0] - b[0]);
  });
  const low = texts.filter(([ratio]) => ratio < 4.5).map(([r, t]) => `"${t}" ${r.toFixed(2)}:1`);
  check(texts.length > 0 && !low.length,
        `${where}: ${texts.length} texts, lowest contrast ${texts[0] && texts[0][0].toFixed(2)}:1` +
        (low.length ? ` (below 4.5:1: ${low.join(', ')})` : ''));
}

async function live(browser, url, shotsDir) {
  fs.mkdirSync(shotsDir, {recursive: true});
  const page = await browser.newPage();
  // A wide window at a fractional pixel ratio: the picture is letterboxed
  // and drawn at 1.25 device pixels per CSS pixel.
  await page.setViewport({width: 1000, height: 600, deviceScaleFactor: 1.25});
  page.on('pageerror', (e) => failures.push('page error: ' + e.message));
  await page.evaluateOnNewDocument(() => {
    const request = Element.prototype.requestFullscreen;
    Element.prototype.requestFullscreen = function() {
      window.fullscreenAsked = (window.fullscreenAsked || 0) + 1;
      return request.call(this);
    };
  });
  // A slow line, so that the pack's progress can be seen on its way.
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions',
                 {offline: false, latency: 0, downloadThroughput: 4e6, uploadThroughput: 4e6});
  served.bytes = 0;
  await page.goto(url);
  let loading = false;
  for (let i = 0; i < 200 && !loading; ++i) {
    loading = await page.evaluate(() => {
      const p = document.getElementById('progress');
      return !p.hidden && p.value > 0.2 && p.value < 0.9 &&
             /Downloading [\d.]+ MB of [\d.]+ MB/.test(document.getElementById('status').textContent);
    });
    if (!loading) await sleep(20);
  }
  check(loading, 'the progress bar and the status show the pack loading, in bytes');
  await page.screenshot({path: path.join(shotsDir, 'loading.png')});
  await contrast(page, 'the card while loading');
  await cdp.send('Network.emulateNetworkConditions',
                 {offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1});
  await page.waitForFunction(() => !document.getElementById('play').disabled, {timeout: 60000});
  check(served.bytes <= 6e6, `a whole load sends ${served.bytes} bytes (at most 6 MB)`);
  check(await page.evaluate(() => !document.getElementById('start').hidden &&
                                  /KELVANE/.test(document.getElementById('start').textContent) &&
                                  /2\u00a0min\u00a013\u00a0s/.test(document.getElementById('length').textContent)),
        'the start card shows the title and the running time');
  await page.screenshot({path: path.join(shotsDir, 'start.png')});
  await contrast(page, 'the start card');

  // The viewer asks for reduced flashing.
  await page.click('#reduce');
  await page.click('#play');
  await page.waitForFunction(() => Module.kelvane.firstFrameMs !== undefined,
                             {timeout: 10000, polling: 'raf'});
  const firstMs = await page.evaluate(() => Module.kelvane.firstFrameMs);
  // Reported; bounded only against a hang, since a loaded machine stretches
  // it (bench/web.sh measures it against its 0.2 s goal).
  check(firstMs <= 2000, `first frame ${firstMs.toFixed(0)} ms after the click`);
  check(await page.evaluate(() => document.getElementById('start').hidden), 'the card is gone');
  check(await page.evaluate(() => Module._KelvaneReducedFlashing() === 1),
        '"Reduce flashing" reaches the demo');

  // Demo time against the audio clock, sampled inside animation frames.
  const drift = await page.evaluate(() => new Promise((resolve) => {
    const k = Module.kelvane;
    const samples = [];
    const step = () => {
      const clock = (k.ctx.currentTime * 1000 - k.startMs) * 0.0098;
      samples.push([Module._KelvaneDemoTime(), clock, performance.now()]);
      if (clock < 98) requestAnimationFrame(step);  // 10 s of demo time
      else resolve(samples);
    };
    requestAnimationFrame(step);
  }));
  const offsets = [];
  const frameUnits = [];
  for (let i = 1; i < drift.length; ++i) {
    offsets.push(Math.abs(drift[i][0] - drift[i][1]));
    frameUnits.push((drift[i][2] - drift[i - 1][2]) * 0.0098);
  }
  offsets.sort((a, b) => a - b);
  frameUnits.sort((a, b) => a - b);
  const oneFrame = frameUnits[Math.floor(frameUnits.length / 2)];
  const p95 = offsets[Math.floor(0.95 * offsets.length)];
  check(drift.length > 20 && p95 <= oneFrame,
        `${drift.length} frames in 10 s; demo time within ${p95.toFixed(3)} units of the audio ` +
        `clock in 95 % of them (worst ${offsets[offsets.length - 1].toFixed(3)}; ` +
        `a frame: ${oneFrame.toFixed(3)})`);
  await page.screenshot({path: path.join(shotsDir, 'playing.png')});
  const box = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const r = c.getBoundingClientRect();
    return {width: c.width, height: c.height, cssWidth: r.width, cssHeight: r.height};
  });
  check(Math.abs(box.cssHeight - 600) < 1 && Math.abs(box.cssWidth / box.cssHeight - 675 / 525) < 0.01 &&
        box.width === Math.round(box.cssWidth * 1.25) &&
        box.height === Math.round(box.cssHeight * 1.25),
        `letterboxed at ${box.cssWidth.toFixed(1)} x ${box.cssHeight} CSS pixels, drawn at ` +
        `${box.width} x ${box.height}`);

  // Space pauses picture and music; the frame stands.
  await page.keyboard.press('Space');
  await frames_(page, 2);
  await page.evaluate(() => { document.getElementById('controls').style.visibility = 'hidden'; });
  const before = [await page.evaluate(() => Module._KelvaneDemoTime()), await canvasShot(page)];
  await sleep(1000);
  const after = [await page.evaluate(() => Module._KelvaneDemoTime()), await canvasShot(page)];
  const state = await page.evaluate(() => Module.kelvane.ctx.state);
  await page.evaluate(() => { document.getElementById('controls').style.visibility = ''; });
  check(before[0] === after[0] && before[1].equals(after[1]) && state === 'suspended',
        `Space pauses: demo time ${before[0].toFixed(3)} then ${after[0].toFixed(3)} a second ` +
        `later, the frames ${before[1].equals(after[1]) ? 'identical' : 'different'}, ` +
        `the audio ${state}`);
  await page.screenshot({path: path.join(shotsDir, 'paused.png')});
  await sleep(2500);
  check(await page.evaluate(() => !document.getElementById('stage').classList.contains('idle')),
        'paused, the controls stay shown after 2 s');
  // The scrubber, shown by the pointer: its middle is demo time 650. A
  // screenshot at an emulated pixel ratio moves Chromium's pointer to its
  // place divided by the ratio (off the bar, hiding the label): this part
  // runs at one device pixel per CSS pixel.
  await page.setViewport({width: 1000, height: 600, deviceScaleFactor: 1});
  const bar = await page.evaluate(() => {
    const r = document.getElementById('bar').getBoundingClientRect();
    return {x: r.x + r.width / 2, y: r.y + r.height / 2};
  });
  await page.mouse.move(bar.x - 40, bar.y);
  await page.mouse.click(bar.x, bar.y);
  await frames_(page, 2);
  const scrubbed = await page.evaluate(() => Module._KelvaneDemoTime());
  check(Math.abs(scrubbed - 650) <= 9.8 / 60,
        `a click at the scrubber's middle seeks to ${scrubbed.toFixed(3)} (650 within a frame)`);
  await page.screenshot({path: path.join(shotsDir, 'scrubber.png')});
  const tip = await page.evaluate(() => [
    document.getElementById('tip').hidden ? '' : document.getElementById('tip').textContent,
    Module.UTF8ToString(Module._KelvaneRowTitle(Module._KelvaneRowAt(650)))]);
  check(tip[0] === tip[1] + ' · 1:06', `the label at the scrubber's middle reads "${tip[0]}" ` +
        `(the scene at 650: ${tip[1]})`);
  await contrast(page, 'the controls');
  // R shows on its button: lit and ticked while reduced flashing is on.
  const look = () => page.evaluate(() => {
    const button = document.getElementById('flashing');
    return `${getComputedStyle(button).backgroundColor} ${getComputedStyle(button, '::before').content}`;
  });
  const lookBefore = await look();
  await page.keyboard.press('r');
  const lookAfter = await look();
  check(lookAfter !== lookBefore,
        `R changes the "Reduce flashing" button's look (${lookBefore} / ${lookAfter})`);
  await contrast(page, 'the controls, reduced flashing toggled');
  await page.keyboard.press('r');
  await page.screenshot({path: path.join(shotsDir, 'controls.png')});
  await page.keyboard.press('f');
  check(await page.evaluate(() => window.fullscreenAsked === 1), 'f asks for full screen');
  await page.keyboard.press('f');
  await page.keyboard.press('Space');
  await sleep(300);
  check(await page.evaluate(() => Module._KelvaneDemoTime() > 650.1), 'Space plays on');

  // From a second before the end: the card must not show while the demo
  // time is at most 1300, and must show once it is past.
  const end = await page.evaluate(() => new Promise((resolve) => {
    Module._KelvaneSeek(1290);
    let earlyCard = false, frames = 0;
    const step = () => {
      const shown = !document.getElementById('end').hidden;
      const d = Module._KelvaneDemoTime();
      if (shown && d <= 1300) earlyCard = true;
      ++frames;
      if (shown) resolve({earlyCard, frames, d});
      else requestAnimationFrame(step);
    };
    requestAnimationFrame(step);
  }));
  check(!end.earlyCard && end.d > 1300 && end.frames > 2,
        `"Play again" shows after the frame at ${end.d.toFixed(3)}, ${end.frames} frames ` +
        'after demo time 1290, and not before 1300');
  await page.screenshot({path: path.join(shotsDir, 'end.png')});
  await contrast(page, 'the end card');
  await page.click('#again');
  await page.waitForFunction(() => document.getElementById('end').hidden &&
                                   Module._KelvaneDemoTime() < 50, {timeout: 10000});
  check(true, '"Play again" starts the demo from its beginning');

  // A phone, with reduced motion asked for: the card fits with margins and
  // "Reduce flashing" is ticked.
  const phone = await browser.newPage();
  await phone.emulateMediaFeatures([{name: 'prefers-reduced-motion', value: 'reduce'}]);
  await phone.setViewport({width: 390, height: 844, deviceScaleFactor: 2});
  await phone.goto(url);
  await phone.waitForFunction(() => !document.getElementById('play').disabled, {timeout: 60000});
  const card = await phone.evaluate(() => {
    const r = document.getElementById('start').getBoundingClientRect();
    return {left: r.left, right: r.right, reduce: document.getElementById('reduce').checked};
  });
  check(card.left >= 8 && card.right <= 382 && card.reduce,
        `on a 390 px phone the card spans ${card.left}-${card.right}; reduced motion ` +
        `${card.reduce ? 'ticks' : 'does not tick'} "Reduce flashing"`);
  await phone.screenshot({path: path.join(shotsDir, 'phone.png')});
  await phone.close();

  // Failures, each in words within 5 s.
  const broken = await browser.newPage();
  await broken.setCacheEnabled(false);
  await broken.goto('file://' + path.resolve(webDir, 'index.html'));
  check(await says(broken, /python3 -m http\.server/), 'from file:// the page says to serve it');
  for (const [name, how, sentence] of [['/kelvane.data.gz', 'missing', /kelvane\.data\.gz.*404/],
                                       ['/kelvane.data.gz', 'truncated', /incomplete/],
                                       ['/kelvane.wasm', 'truncated', /kelvane\.wasm.*incomplete/]]) {
    served[how].add(name);
    await broken.goto(url);
    check(await says(broken, sentence), `${name} ${how}: the page says so`);
    served[how].delete(name);
  }
  await broken.screenshot({path: path.join(shotsDir, 'failure.png')});
  await contrast(broken, 'the failure card');
  await broken.close();

  const quiet = await browser.newPage();
  await quiet.evaluateOnNewDocument(() => {
    delete window.AudioContext;
    delete window.webkitAudioContext;
  });
  await quiet.goto(url);
  check(await quiet.evaluate(() => !document.getElementById('failure').hidden &&
                                   /Web Audio/.test(document.getElementById('reason').textContent)),
        'without Web Audio the page says so');
  await noWebGl(url, shotsDir);
}

// CPU time in ms used so far by the process `root` and its descendants, all
// their threads (/proc/PID/stat: utime and stime, in clock ticks).
const ticksPerS = Number(execFileSync('getconf', ['CLK_TCK']));
function treeCpuMs(root) {
  const procs = new Map();
  for (const pid of fs.readdirSync('/proc').filter((n) => /^\d+$/.test(n))) {
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    } catch (e) {
      continue;  // gone meanwhile
    }
    const f = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    procs.set(Number(pid), {parent: Number(f[1]), ticks: Number(f[11]) + Number(f[12])});
  }
  const inTree = (pid) => pid === root || (procs.has(pid) && pid > 1 && inTree(procs.get(pid).parent));
  let ticks = 0;
  for (const [pid, p] of procs) if (inTree(pid)) ticks += p.ticks;
  return ticks * 1000 / ticksPerS;
}

// As bench/scene_bench.cpp times the native frames: 40 moments spread
// evenly over each row's window, each frame drawn and waited for; the web
// row, then the same row natively (`nativeBench`, one run per row), so that
// both sides meet the same load. Then the first frame's delay after the
// click over 5 fresh loads.
async function bench(browser, url, nativeBench) {
  const samples = 40;
  const page = await openPage(browser, url, 700, 560);
  const rows = await page.evaluate(() => {
    Module._KelvaneStill(675, 525);
    return Module._KelvaneRowCount();
  });
  const browserPid = browser.process().pid;
  for (let row = 0; row < rows; ++row) {
    const cpu0 = treeCpuMs(browserPid);
    const web = await page.evaluate((row, samples) => {
      const gl = document.getElementById('canvas').getContext('webgl');
      const pixel = new Uint8Array(4);
      const start = Module._KelvaneRowBound(row, 0), end = Module._KelvaneRowBound(row, 1);
      const times = [];
      for (let i = 0; i < samples; ++i) {
        const t0 = performance.now();
        Module._KelvaneRenderAt(start + (i + 0.5) * (end - start) / samples, 0);
        gl.readPixels(0, 0, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, pixel);
        times.push(performance.now() - t0);
      }
      times.sort((a, b) => a - b);
      return {scene: Module.UTF8ToString(Module._KelvaneRowScene(row)),
              median: 0.5 * (times[samples / 2 - 1] + times[samples / 2]),
              p99: times[Math.ceil(0.99 * samples) - 1]};
    }, row, samples);
    const webCpu = (treeCpuMs(browserPid) - cpu0) / samples;
    const json = execFileSync(
        nativeBench, [`--benchmark_filter=^Scene/${web.scene}/676x526/`, '--benchmark_format=json'],
        {stdio: ['ignore', 'pipe', 'ignore']});
    const n = JSON.parse(json).benchmarks[0];
    console.log(`${row + 1} ${web.scene} ${web.median.toFixed(2)} ${web.p99.toFixed(2)} ` +
                `${webCpu.toFixed(2)} ${n.median_ms.toFixed(2)} ${n.worst_ms.toFixed(2)} ` +
                `${n.cpu_time.toFixed(2)}`);
  }
  await page.close();
  for (let load = 0; load < 5; ++load) {
    const page = await openPage(browser, url, 700, 560);
    await page.click('#play');
    await page.waitForFunction(() => Module.kelvane.firstFrameMs !== undefined,
                               {timeout: 10000, polling: 'raf'});
    console.log(`first-frame ${(await page.evaluate(() => Module.kelvane.firstFrameMs)).toFixed(1)}`);
    await page.close();
  }
}

(async () => {
  const extra = mode === 'sound' ? {'/native.pcm': rest[0]} : null;
  const server = await serve(extra);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await launch();
  try {
    if (mode === 'frames') {
      const split = rest.indexOf('--');
      const moments = rest.slice(1, split).map((m) => m.split(':')).map(([n, d]) => [n, Number(d)]);
      await frames(browser, url, rest[0], moments, rest.slice(split + 1).map(Number));
    }
    else if (mode === 'sound') {
      const moments = rest.slice(2).map((m) => m.split(':').map(Number));
      await sound(browser, url, Number(rest[1]), moments);
    } else if (mode === 'live') await live(browser, url, rest[0]);
    else if (mode === 'bench') await bench(browser, url, rest[0]);
    else failures.push('unknown mode ' + mode);
  } catch (e) {
    failures.push(String(e && e.stack || e));
  } finally {
    await browser.close();
    server.close();
  }
  for (const f of failures) console.error('drive.js: ' + f);
  process.exit(failures.length ? 1 : 0);
})();
