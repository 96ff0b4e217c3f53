#!/usr/bin/env node
// Opens a web page (as a user's browser does: headless Chromium), waits until Ruffle's
// player on it has loaded its movie, runs the movie for a while and reports what it traced,
// what the page logged as errors, and screenshots of the player.
//
// Time is virtual by default, as in play-swf.mjs: the page's requestAnimationFrame is ours,
// and the movie advances one SWF frame per step. --real-time lets the page run on the
// browser's own clock instead.
//
// Usage: node tools/player/play-page.mjs [options] URL
// See usageText below, or run with --help.

import fsp from 'node:fs/promises';
import path from 'node:path';

import {
  defaultChromium, launchBrowser, pageInit, pageStep, readCommandLine, UsageError,
} from './browser.mjs';

const debug = Boolean(process.env.FLARECAST_PLAYER_DEBUG);

const usageText = `Usage: node play-page.mjs [options] URL

Opens URL (http://..., or file://... to see what a page opened from disk shows) in
headless Chromium, waits until a Ruffle player on the page has loaded its movie, runs
the movie and prints what it traced.

Options:
  --ms N              movie time to run after the movie loaded (default 2000)
  --shot MS:FILE      save a PNG of the player after MS milliseconds of movie time;
                      may repeat (MS at most --ms)
  --screenshot FILE   save a PNG of the player at the end (same as --shot N:FILE)
  --page-only         expect no movie: wait for the page's load event and --ms real
                      milliseconds, then report its text (and --screenshot of the page)
  --real-time         run on the browser's clock instead of stepping the movie frame by
                      frame (frames then depend on the machine's speed)
  --json              print one JSON line: {"url","loaded","trace":[...],"error":null|"text",
                      "screenshots":[...],"consoleErrors":[...],"httpErrors":[...],
                      "text","element","frameRate","width","height"}
  --timeout MS        wall-clock limit for loading and playing (default 60000)
  --chromium PATH     the browser to drive (default $FLARECAST_CHROMIUM or /usr/bin/chromium)
  --help              this text

Traces are the movie's trace() lines, exactly, from every Ruffle player on the page.
"consoleErrors" are the page's console errors and uncaught exceptions; "httpErrors" the
requests answered with 400 or more (the browser's own favicon request left out); "text"
the page's visible text. Without --json the trace lines are printed one per line and the
errors go to stderr. Exit code: 0 when the movie loaded and played (with --page-only: when
the page loaded), 1 when it did not (Ruffle failed, panicked or timed out), 2 on bad
arguments, 3 when the browser cannot be started.
`;

function parseArgs(argv) {
  const opts = {
    ms: 2000, shots: [], json: false, pageOnly: false, realTime: false, timeoutMs: 60000,
    chromium: defaultChromium, url: null,
  };
  const count = (name, value) => {
    if (value === undefined || !/^\d+$/.test(value)) throw new UsageError(`${name} needs a whole number`);
    return Number(value);
  };
  const value = (name, v) => {
    if (v === undefined) throw new UsageError(`${name} needs a value`);
    return v;
  };
  let endShot = null;
  for (let i = 0; i < argv.length; ++i) {
    const arg = argv[i];
    switch (arg) {
      case '--ms': opts.ms = count(arg, argv[++i]); break;
      case '--timeout': opts.timeoutMs = count(arg, argv[++i]); break;
      case '--shot': {
        const shot = value(arg, argv[++i]);
        const m = /^(\d+):(.+)$/.exec(shot);
        if (!m) throw new UsageError('--shot takes MS:FILE');
        opts.shots.push({ ms: Number(m[1]), file: m[2] });
        break;
      }
      case '--screenshot': endShot = value(arg, argv[++i]); break;
      case '--chromium': opts.chromium = value(arg, argv[++i]); break;
      case '--page-only': opts.pageOnly = true; break;
      case '--real-time': opts.realTime = true; break;
      case '--json': opts.json = true; break;
      case '--help': case '-h': opts.help = true; break;
      default:
        if (arg.startsWith('-')) throw new UsageError(`unknown option ${arg}`);
        if (opts.url) throw new UsageError('give one URL');
        opts.url = arg;
    }
  }
  if (opts.help) return opts;
  if (!opts.url) throw new UsageError('no URL given');
  if (endShot) opts.shots.push({ ms: opts.ms, file: endShot });
  if (opts.shots.some((s) => s.ms > opts.ms)) throw new UsageError('a --shot lies after --ms');
  if (opts.pageOnly && opts.shots.some((s) => s.file !== endShot)) {
    throw new UsageError('--page-only takes --screenshot, not --shot');
  }
  opts.shots.sort((a, b) => a.ms - b.ms);
  return opts;
}

// ---------------------------------------------------------------------------------------
// The page side, added before the page's own scripts (after pageInit).

// Every Ruffle player of the page (the elements it puts in place of object and embed) tells
// us when its movie is loaded; we attach to its trace output there, before its first frame.
function watchPlayers() {
  window.__fcPlayers = [];
  window.__fcTrace = [];
  window.addEventListener('loadedmetadata', (event) => {
    const element = event.target;
    if (!element || typeof element.ruffle !== 'function') return;
    try {
      const api = element.ruffle();
      api.traceObserver = (message) => window.__fcTrace.push(String(message));
      element.setAttribute('data-fc-player', String(window.__fcPlayers.length));
      const m = api.metadata || {};
      window.__fcPlayers.push({ element: element.tagName.toLowerCase(), frameRate: m.frameRate, width: m.width,
                                height: m.height });
    } catch (err) {
      window.__fcErrors.push(`cannot watch the player: ${err}`);
    }
  }, true);
}

// Resolves when a player loaded its movie, Ruffle panicked, or the time ran out.
async function waitForPlayer({ timeoutMs }) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    if (window.__fcPlayers.length > 0) return { ok: true, player: window.__fcPlayers[0] };
    const panic = window.__fcPanicked();
    if (panic) return { ok: false, error: `Ruffle panicked: ${panic}` };
    if (Date.now() > until) {
      const players = document.querySelectorAll('ruffle-object, ruffle-embed, ruffle-player').length;
      return { ok: false, error: players ? 'timed out while Ruffle loaded the movie'
        : 'no Ruffle player on the page (Ruffle did not load, or found no Flash element)' };
    }
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
}

// ---------------------------------------------------------------------------------------

async function playPage(context, opts) {
  const result = {
    url: opts.url, loaded: false, trace: [], error: null, screenshots: [], consoleErrors: [], httpErrors: [],
    text: '', element: null, frameRate: null, width: null, height: null,
  };
  const page = context.pages()[0] || await context.newPage();
  page.on('console', (message) => {
    if (debug) process.stderr.write(`console.${message.type()}: ${message.text()}\n`);
    // A failed request is reported with its address below.
    if (message.type() === 'error' && !message.text().startsWith('Failed to load resource')) {
      result.consoleErrors.push(message.text());
    }
  });
  page.on('pageerror', (err) => result.consoleErrors.push(String(err && err.message || err)));
  page.on('response', (response) => {
    if (response.status() >= 400 && !new URL(response.url()).pathname.endsWith('/favicon.ico')) {
      result.httpErrors.push(`${response.status()} ${response.url()}`);
    }
  });
  page.on('requestfailed', (request) => {
    result.httpErrors.push(`failed ${request.url()}: ${request.failure()?.errorText || 'unknown'}`);
  });
  await page.addInitScript(pageInit, { audio: false, realClock: opts.realTime || opts.pageOnly });
  await page.addInitScript(watchPlayers);

  const deadline = Date.now() + opts.timeoutMs;
  try {
    await page.goto(opts.url, { waitUntil: 'load', timeout: opts.timeoutMs });
  } catch (err) {
    result.error = `cannot open the page: ${err.message.split('\n')[0]}`;
    return result;
  }
  const visibleText = () => page.evaluate(() => (document.body ? document.body.innerText : '').trim());

  if (opts.pageOnly) {
    await page.waitForTimeout(opts.ms);
    result.text = await visibleText();
    for (const shot of opts.shots) result.screenshots.push(await screenshot(page, null, shot.file));
    return result;
  }

  const waited = await page.evaluate(waitForPlayer, { timeoutMs: Math.max(1000, deadline - Date.now()) });
  if (!waited.ok) {
    result.error = waited.error;
    result.text = await visibleText();
    return result;
  }
  result.loaded = true;
  Object.assign(result, waited.player);
  const fps = waited.player.frameRate > 0 ? waited.player.frameRate : 24;
  // The stage of the first player; a hair over one frame per step, as in play-swf.mjs.
  const dt = (1000 / fps) * (1 + 1e-9);
  let now = 0;
  let frames = 0;
  const marks = [...opts.shots.map((s) => s.ms), opts.ms];
  for (const [index, mark] of marks.entries()) {
    if (opts.realTime) {
      await page.waitForTimeout(Math.max(0, mark - now));
      now = mark;
    } else {
      const target = Math.ceil((mark * fps) / 1000);
      const stepping = page.evaluate(pageStep, { steps: target - frames, dt });
      let timer;
      const outcome = await Promise.race([stepping, new Promise((resolve) => {
        timer = setTimeout(() => resolve('timeout'), Math.max(1000, deadline - Date.now()));
      })]);
      clearTimeout(timer);
      if (outcome === 'timeout') {
        result.error = 'timed out while playing';
        break;
      }
      if (outcome) {
        result.error = `Ruffle panicked: ${outcome}`;
        break;
      }
      frames = target;
    }
    if (index < opts.shots.length) result.screenshots.push(await screenshot(page, '[data-fc-player="0"]', opts.shots[index].file));
  }
  const state = await page.evaluate(() => ({ trace: window.__fcTrace.slice(), errors: window.__fcErrors.slice() }));
  result.trace = state.trace;
  result.consoleErrors.push(...state.errors);
  result.text = await visibleText();
  return result;
}

async function screenshot(page, selector, file) {
  await fsp.mkdir(path.dirname(path.resolve(file)), { recursive: true });
  if (selector) await page.locator(selector).screenshot({ path: file, animations: 'allow' });
  else await page.screenshot({ path: file });
  return file;
}

function report(result, opts) {
  if (opts.json) {
    process.stdout.write(JSON.stringify(result) + '\n');
    return;
  }
  for (const line of result.trace) process.stdout.write(line + '\n');
  if (result.error) process.stderr.write(`play-page: ${result.url}: ${result.error}\n`);
  for (const e of result.consoleErrors) process.stderr.write(`play-page: console error: ${e}\n`);
  for (const e of result.httpErrors) process.stderr.write(`play-page: HTTP ${e}\n`);
}

async function main() {
  const { opts, code } = readCommandLine('play-page', usageText, parseArgs);
  if (!opts) return code;
  let browser;
  try {
    browser = await launchBrowser('page', opts.chromium);
  } catch (err) {
    process.stderr.write(`play-page: ${err.message}\n`);
    return 3;
  }
  try {
    let result;
    try {
      result = await playPage(browser.context, opts);
    } catch (err) {
      result = { url: opts.url, loaded: false, trace: [], error: `harness error: ${err.message.split('\n')[0]}`,
                 screenshots: [], consoleErrors: [], httpErrors: [], text: '' };
    }
    report(result, opts);
    return result.error ? 1 : 0;
  } finally {
    await browser.close();
  }
}

main().then((code) => { process.exitCode = code; }, (err) => {
  process.stderr.write(`play-page: ${err.stack || err}\n`);
  process.exitCode = 3;
});
